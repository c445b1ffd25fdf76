// The semantics by simulation: every assignment of the inputs, 256 at a
// time. The inputs the network's cover rows mention most are fixed for a
// whole batch of 256 assignments, so that a row with a literal on them that
// the batch falsifies is found dead by one mask test; the least mentioned
// ones vary within the batch. Certificates built from a proof mention a few
// inputs in most rows (the proof's case splits), and most rows die this way.
#include <algorithm>
#include <cstring>

#include "network.h"

namespace {

constexpr int kWords = 4;  // 256 assignments
constexpr int kVarying = 8;
using word_ = unsigned long long;

// A cover row: the part on fixed inputs as a mask and the values it needs,
// the rest as the literals lits[first, last) of the network.
struct row_ {
  uint64_t mask = 0, value = 0;
  uint64_t first = 0, last = 0;
  bool never = false;  // two literals of one fixed input disagree
};

struct sim_node_ {
  int out;
  bool on_set;
  uint64_t first_row, rows;
};

struct simulator_ {
  std::vector<int> inputs;  // fixed ones first, then the varying ones
  int fixed = 0;
  std::vector<int> input_index;  // by signal: index in `inputs`, or -1
  std::vector<sim_node_> nodes;
  std::vector<row_> rows;
  std::vector<word_> val;  // kWords per signal
};

const word_ kPattern[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                           0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

// Input j of the varying ones in assignment p of a batch: bit j of p.
word_ Varying_word(int j, int w) {
  if (j < 6) return kPattern[j];
  return ((w >> (j - 6)) & 1) ? ~0ull : 0;
}

// The rows of the nodes in order, each with its literals on fixed inputs
// moved to its front and summed up in a mask.
void Build(const check_formula_ &f, network_ *n, const std::vector<int> &order, simulator_ *s) {
  std::vector<int> inputs = Check_inputs(f, *n, order);
  // How many rows mention each input.
  std::vector<long> uses(n->Signals(), 0);
  for (int k : order) For_each_input(*n, n->nodes[size_t(k)], [&](int in) { ++uses[size_t(in)]; });
  std::stable_sort(inputs.begin(), inputs.end(),
                   [&](int a, int b) { return uses[size_t(a)] > uses[size_t(b)]; });
  s->fixed = std::max(0, int(inputs.size()) - kVarying);
  s->inputs = inputs;
  s->input_index.assign(n->Signals(), -1);
  for (size_t j = 0; j < inputs.size(); ++j) s->input_index[size_t(inputs[j])] = int(j);
  auto fixed_input = [&](int l) {
    const int j = s->input_index[size_t(l >> 1)];
    return j >= 0 && j < s->fixed;
  };
  for (int k : order) {
    const node_ &node = n->nodes[size_t(k)];
    s->nodes.push_back({node.out, node.on_set, s->rows.size(), node.rows});
    for (uint64_t r = node.first_row; r < node.first_row + node.rows; ++r) {
      int *from = n->lits.data() + n->row_start[r], *to = n->lits.data() + n->row_start[r + 1];
      int *rest = std::partition(from, to, fixed_input);
      row_ row;
      for (int *l = from; l < rest; ++l) {
        const uint64_t bit = uint64_t(1) << s->input_index[size_t(*l >> 1)];
        const uint64_t want = (*l & 1) ? 0 : bit;
        if ((row.mask & bit) && (row.value & bit) != want) row.never = true;
        row.mask |= bit;
        row.value |= want;
      }
      row.first = uint64_t(rest - n->lits.data());
      row.last = uint64_t(to - n->lits.data());
      s->rows.push_back(row);
    }
  }
  s->val.assign(n->Signals() * kWords, 0);
}

// The assignment of pattern `bit` of batch b, as "v=0 w=1 ...".
std::string Assignment(const simulator_ &s, uint64_t b, int bit) {
  std::string text;
  for (size_t j = 0; j < s.inputs.size(); ++j) {
    const int value = int(j) < s.fixed
                          ? int((b >> j) & 1)
                          : int((Varying_word(int(j) - s.fixed, bit / 64) >> (bit % 64)) & 1);
    text += (text.empty() ? "" : " ") + std::to_string(s.inputs[j]) + "=" + std::to_string(value);
  }
  return text;
}

int First_zero(const word_ *w) {
  for (int i = 0; i < kWords; ++i)
    if (~w[i]) return i * 64 + __builtin_ctzll(~w[i]);
  return -1;
}

}  // namespace

std::vector<int> Check_inputs(const check_formula_ &f, const network_ &n,
                              const std::vector<int> &order) {
  std::vector<char> seen(n.Signals(), 0);
  std::vector<int> inputs;
  auto note = [&](int v) {
    if (!seen[size_t(v)] && n.driver[size_t(v)] < 0 && v >= 1 && v <= n.vars &&
        f.vars[size_t(v - 1)].quant != f.certified)
      seen[size_t(v)] = 1, inputs.push_back(v);
  };
  for (int32_t l : f.clauses.lits) note(l < 0 ? -l : l);
  for (int k : order) For_each_input(n, n.nodes[size_t(k)], note);
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

int Simulate_check(const check_formula_ &f, network_ *n, const std::vector<int> &order,
                   std::string *reason) {
  simulator_ s;
  Build(f, n, order, &s);
  const int *lits = n->lits.data();
  if (s.fixed > 40) return *reason = "too many inputs to simulate", -1;
  const bool true_formula = f.certified == 0;
  const int varying = int(s.inputs.size()) - s.fixed;
  for (int j = 0; j < varying; ++j)
    for (int w = 0; w < kWords; ++w)
      s.val[size_t(s.inputs[size_t(s.fixed + j)]) * kWords + w] = Varying_word(j, w);
  const uint64_t batches = uint64_t(1) << s.fixed;
  word_ *val = s.val.data();
  for (uint64_t b = 0; b < batches; ++b) {
    for (int j = 0; j < s.fixed; ++j)
      std::fill_n(val + size_t(s.inputs[size_t(j)]) * kWords, kWords, ((b >> j) & 1) ? ~0ull : 0);
    for (const sim_node_ &node : s.nodes) {
      word_ acc[kWords] = {0, 0, 0, 0};
      for (uint64_t r = node.first_row; r < node.first_row + node.rows; ++r) {
        const row_ &row = s.rows[r];
        if ((row.mask & (row.value ^ b)) || row.never) continue;  // a fixed input falsifies it
        word_ t[kWords] = {~0ull, ~0ull, ~0ull, ~0ull};
        for (uint64_t i = row.first; i < row.last; ++i) {
          const word_ *x = val + size_t(lits[i] >> 1) * kWords;
          const word_ neg = (lits[i] & 1) ? ~0ull : 0;
          word_ any = 0;
          for (int w = 0; w < kWords; ++w) any |= (t[w] &= x[w] ^ neg);
          if (!any) break;
        }
        for (int w = 0; w < kWords; ++w) acc[w] |= t[w];
      }
      word_ *o = val + size_t(node.out) * kWords;
      for (int w = 0; w < kWords; ++w) o[w] = node.on_set ? acc[w] : ~acc[w];
    }
    // The matrix on these assignments.
    word_ all[kWords] = {~0ull, ~0ull, ~0ull, ~0ull};
    for (size_t c = 0; c < f.clauses.size(); ++c) {
      word_ sat[kWords] = {0, 0, 0, 0};
      for (uint64_t i = f.clauses.lit_start[c]; i < f.clauses.lit_start[c + 1]; ++i) {
        const int32_t lit = f.clauses.lits[i];
        const word_ *x = val + size_t(lit < 0 ? -lit : lit) * kWords;
        for (int w = 0; w < kWords; ++w) sat[w] |= lit < 0 ? ~x[w] : x[w];
      }
      if (true_formula) {
        const int bit = First_zero(sat);
        if (bit >= 0) {
          *reason = "clause " + std::to_string(c + 1) + " is false when " + Assignment(s, b, bit);
          return 0;
        }
      } else {
        word_ any = 0;
        for (int w = 0; w < kWords; ++w) any |= (all[w] &= sat[w]);
        if (!any) break;
      }
    }
    if (!true_formula) {
      for (int w = 0; w < kWords; ++w) all[w] = ~all[w];
      const int bit = First_zero(all);
      if (bit >= 0) {
        *reason = "the matrix holds when " + Assignment(s, b, bit);
        return 0;
      }
    }
  }
  return 1;
}
