// The structure of a certificate: what it defines, what it reads, and in
// which order its functions may depend on the formula's variables.
#include <algorithm>

#include "network.h"

namespace {

const char *Quantifier(int quant) { return quant == 1 ? "universal" : "existential"; }

bool Is_variable(const network_ &n, int s) { return s >= 1 && s <= n.vars; }

}  // namespace

int Check_structure(const check_formula_ &f, const network_ &n, std::vector<int> *order,
                    std::string *reason) {
  auto fail = [&](const std::string &why) {
    *reason = why;
    return 0;
  };
  auto name = [&](int s) {
    return (Is_variable(n, s) ? "variable " : "signal ") + Signal_name(n, s);
  };
  const size_t signals = n.Signals();
  if (n.unknown_variable_line)
    return fail("certificate line " + std::to_string(n.unknown_variable_line) +
                " names a variable the formula does not have (it has " + std::to_string(n.vars) +
                ")");
  if (n.twice >= 0) return fail(name(n.twice) + " has two definitions");
  // Defined variables must be certified ones.
  for (const node_ &node : n.nodes)
    if (Is_variable(n, node.out) && f.vars[size_t(node.out - 1)].quant != f.certified)
      return fail(name(node.out) + " is " + Quantifier(f.vars[size_t(node.out - 1)].quant) +
                  ": the certificate must not define it");
  std::vector<char> is_output(signals, 0);
  for (int s : n.declared_outputs) {
    if (n.driver[size_t(s)] < 0 &&
        !(Is_variable(n, s) && f.vars[size_t(s - 1)].quant == f.certified))
      return fail("output " + Signal_name(n, s) + " has no definition");
    is_output[size_t(s)] = 1;
  }
  for (int v = 1; v <= n.vars; ++v) {
    if (f.vars[size_t(v - 1)].quant != f.certified || !f.occurs[size_t(v)]) continue;
    if (n.driver[size_t(v)] < 0) return fail(name(v) + " has no function");
    if (!is_output[size_t(v)]) return fail(name(v) + " is not an output of the certificate");
  }
  for (int s : n.declared_inputs) {
    if (n.driver[size_t(s)] >= 0) return fail(name(s) + " is an input and also defined");
    if (!Is_variable(n, s))
      return fail("input " + Signal_name(n, s) + " is not a variable of the formula");
    if (f.vars[size_t(s - 1)].quant == f.certified)
      return fail(name(s) + " is " + Quantifier(f.certified) +
                  ": it needs a function, not an input");
  }
  // Everything read must be defined, or be a variable of the other
  // quantifier.
  for (int l : n.lits) {
    const int s = l >> 1;
    if (n.driver[size_t(s)] >= 0) continue;
    if (!Is_variable(n, s))
      return fail(name(s) + " is neither defined nor a variable of the formula");
    if (f.vars[size_t(s - 1)].quant == f.certified) return fail(name(s) + " has no function");
  }
  // Depth first over every node: a cycle, and the order inputs first.
  std::vector<char> state(signals, 0);  // 1 on the path, 2 done
  std::vector<int> post;
  // The path: signals and the next literal of their node to look at.
  std::vector<std::pair<int, uint64_t>> path;
  auto enter = [&](int s) {
    state[size_t(s)] = 1;
    path.push_back({s, n.row_start[n.nodes[size_t(n.driver[size_t(s)])].first_row]});
  };
  for (size_t root = 0; root < n.nodes.size(); ++root) {
    if (state[size_t(n.nodes[root].out)]) continue;
    enter(n.nodes[root].out);
    while (!path.empty()) {
      auto &[s, next] = path.back();
      const node_ &node = n.nodes[size_t(n.driver[size_t(s)])];
      if (next == n.row_start[node.first_row + node.rows]) {
        state[size_t(s)] = 2;
        post.push_back(n.driver[size_t(s)]);
        path.pop_back();
        continue;
      }
      const int in = n.lits[next++] >> 1;
      if (n.driver[size_t(in)] < 0 || state[size_t(in)] == 2) continue;
      if (state[size_t(in)] == 1) return fail("the network has a cycle through " + name(in));
      enter(in);
    }
  }
  // The nodes below the certified variables, and the latest prefix
  // position each node's value depends on.
  std::vector<char> needed(signals, 0);
  for (int v = 1; v <= n.vars; ++v)
    if (n.driver[size_t(v)] >= 0) needed[size_t(v)] = 1;
  for (auto k = post.rbegin(); k != post.rend(); ++k) {
    const node_ &node = n.nodes[size_t(*k)];
    if (!needed[size_t(node.out)]) continue;
    For_each_input(n, node, [&](int s) { needed[size_t(s)] = 1; });
  }
  std::vector<int> latest(signals, -1);
  order->clear();
  for (int k : post) {
    const node_ &node = n.nodes[size_t(k)];
    if (!needed[size_t(node.out)]) continue;
    order->push_back(k);
    int &l = latest[size_t(node.out)];
    For_each_input(n, node, [&](int s) {
      l = std::max(l, n.driver[size_t(s)] >= 0 ? latest[size_t(s)] : f.vars[size_t(s - 1)].pos);
    });
  }
  for (int v = 1; v <= n.vars; ++v) {
    if (n.driver[size_t(v)] < 0) continue;
    const int pos = f.vars[size_t(v - 1)].pos;
    if (latest[size_t(v)] < pos) continue;
    // Name a variable it reads that is quantified after it.
    std::vector<int> stack = {v};
    std::vector<char> seen(signals, 0);
    while (!stack.empty()) {
      const int s = stack.back();
      stack.pop_back();
      int late = 0;
      For_each_input(n, n.nodes[size_t(n.driver[size_t(s)])], [&](int in) {
        if (seen[size_t(in)] || late) return;
        seen[size_t(in)] = 1;
        if (n.driver[size_t(in)] >= 0) {
          if (latest[size_t(in)] >= pos) stack.push_back(in);
        } else if (f.vars[size_t(in - 1)].pos >= pos) {
          late = in;
        }
      });
      if (late)
        return fail("the function of " + name(v) + " depends on " + name(late) +
                    ", which is quantified after it");
    }
  }
  return 1;
}
