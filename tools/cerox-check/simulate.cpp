// The semantics by simulation: every assignment of the inputs, 256 at a
// time. The inputs the network's cover rows mention most are fixed for a
// whole batch of 256 assignments, the least mentioned vary within it. A row
// with a literal on a fixed input that the batch falsifies is dead, found
// by one mask test; a node whose rows all are dead is a constant. The
// batches run in Gray code order, so that one fixed input changes from one
// batch to the next, and only what that change reaches is evaluated again:
// the nodes that mention the input, the nodes that are alive, and the
// readers of every node whose value changed. Certificates built from a
// proof mention a few inputs in most rows (the proof's case splits), and in
// any batch most of their rows are dead.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <functional>
#include <queue>
#include <tuple>

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

// A node in evaluation order. Gated: one row, which mentions a fixed input;
// it is evaluated only while that row is alive and is a constant otherwise.
struct sim_node_ {
  int out;
  bool on_set;
  bool gated;
  uint64_t first_row, rows;
};

// Gated nodes whose rows need the same values (`value`) of the same fixed
// inputs (`mask`): the nodes of a group are alive in the same batches.
// Certificates repeat few such parts (the proof's case splits) over many
// nodes, and for one mask at most one group is alive in a batch: the one
// whose values the batch has.
struct group_ {
  uint64_t mask, value;
  uint64_t first, count;  // its nodes: group_nodes[first, first + count)
};

struct simulator_ {
  std::vector<int> inputs;  // fixed ones (bit j of the batch for inputs[j]), then varying
  int fixed = 0;
  std::vector<sim_node_> nodes;
  std::vector<row_> rows;
  std::vector<word_> val;  // kWords per signal
  // Readers of each signal that are not gated, and the nodes not gated
  // whose rows mention each fixed input: node lists, by offsets.
  std::vector<uint64_t> reader_start, mention_start;
  std::vector<int> readers, mentions;  // mentions: nodes that are not gated
  // The groups of the gated nodes whose row can hold, by (mask, value);
  // those of mask k are groups[mask_start[k], mask_start[k + 1]), and the
  // masks that hold fixed input j are input_masks[input_mask_start[j], ...).
  std::vector<group_> groups;
  std::vector<int> group_nodes;
  std::vector<uint64_t> mask_start, input_mask_start;
  std::vector<int> input_masks;
  std::vector<char> alive;  // gated nodes: their row holds in this batch
};

const word_ kPattern[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                           0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

// Input j of the varying ones in assignment p of a batch: bit j of p.
word_ Varying_word(int j, int w) {
  if (j < 6) return kPattern[j];
  return ((w >> (j - 6)) & 1) ? ~0ull : 0;
}

// Lists by key from (key, item) pairs: start[key] .. start[key + 1].
void Group(size_t keys, const std::vector<std::pair<int, int>> &pairs, std::vector<uint64_t> *start,
           std::vector<int> *items) {
  start->assign(keys + 1, 0);
  for (const auto &p : pairs) ++(*start)[size_t(p.first) + 1];
  for (size_t k = 0; k < keys; ++k) (*start)[k + 1] += (*start)[k];
  std::vector<uint64_t> fill(start->begin(), start->end() - 1);
  items->resize(pairs.size());
  for (const auto &p : pairs) (*items)[fill[size_t(p.first)]++] = p.second;
}

// The groups of the gated nodes and their masks. A row that never holds
// leaves its node a constant from the first batch on: it joins no group.
void Group_gated(simulator_ *s) {
  std::vector<std::tuple<uint64_t, uint64_t, int>> gated;  // mask, value, node
  for (size_t i = 0; i < s->nodes.size(); ++i) {
    if (!s->nodes[i].gated) continue;
    const row_ &row = s->rows[s->nodes[i].first_row];
    if (!row.never) gated.emplace_back(row.mask, row.value, int(i));
  }
  std::sort(gated.begin(), gated.end());
  std::vector<std::pair<int, int>> holders;  // fixed input, mask
  for (size_t k = 0; k < gated.size(); ++k) {
    const auto &[mask, value, node] = gated[k];
    s->group_nodes.push_back(node);
    if (!s->groups.empty() && s->groups.back().mask == mask && s->groups.back().value == value) {
      ++s->groups.back().count;
      continue;
    }
    if (s->groups.empty() || s->groups.back().mask != mask) {
      const int m = int(s->mask_start.size());
      s->mask_start.push_back(s->groups.size());
      for (int j = 0; j < s->fixed; ++j)
        if (mask >> j & 1) holders.push_back({j, m});
    }
    s->groups.push_back({mask, value, k, 1});
  }
  s->mask_start.push_back(s->groups.size());
  Group(size_t(s->fixed), holders, &s->input_mask_start, &s->input_masks);
}

// The group of mask k whose values batch g has, or null.
const group_ *Group_alive(const simulator_ &s, int k, uint64_t g) {
  const group_ *from = s.groups.data() + s.mask_start[size_t(k)];
  const group_ *to = s.groups.data() + s.mask_start[size_t(k) + 1];
  const uint64_t value = g & from->mask;
  const group_ *at =
      std::lower_bound(from, to, value, [](const group_ &x, uint64_t v) { return x.value < v; });
  return at != to && at->value == value ? at : nullptr;
}

void Build(const check_formula_ &f, network_ *n, const std::vector<int> &order, simulator_ *s) {
  std::vector<int> inputs = Check_inputs(f, *n, order);
  std::vector<long> uses(n->Signals(), 0);
  for (int k : order) For_each_input(*n, n->nodes[size_t(k)], [&](int in) { ++uses[size_t(in)]; });
  // The most mentioned inputs are fixed, the most mentioned of them on the
  // highest bit, which changes least often in Gray code order.
  std::stable_sort(inputs.begin(), inputs.end(),
                   [&](int a, int b) { return uses[size_t(a)] > uses[size_t(b)]; });
  s->fixed = std::max(0, int(inputs.size()) - kVarying);
  std::reverse(inputs.begin(), inputs.begin() + s->fixed);
  s->inputs = inputs;
  std::vector<int> bit_of(n->Signals(), -1);
  for (int j = 0; j < s->fixed; ++j) bit_of[size_t(inputs[size_t(j)])] = j;
  std::vector<std::pair<int, int>> readers, mentions;
  std::vector<int> index_of(n->Signals(), -1);  // by output signal
  for (int k : order) {
    const node_ &node = n->nodes[size_t(k)];
    const int index = int(s->nodes.size());
    index_of[size_t(node.out)] = index;
    uint64_t mentioned = 0;
    for (uint64_t r = node.first_row; r < node.first_row + node.rows; ++r) {
      // Literals on fixed inputs first, summed up in the mask.
      int *from = n->lits.data() + n->row_start[r], *to = n->lits.data() + n->row_start[r + 1];
      int *rest = std::partition(from, to, [&](int l) { return bit_of[size_t(l >> 1)] >= 0; });
      row_ row;
      for (int *l = from; l < rest; ++l) {
        const uint64_t bit = uint64_t(1) << bit_of[size_t(*l >> 1)];
        const uint64_t want = (*l & 1) ? 0 : bit;
        if ((row.mask & bit) && (row.value & bit) != want) row.never = true;
        row.mask |= bit;
        row.value |= want;
      }
      row.first = uint64_t(rest - n->lits.data());
      row.last = uint64_t(to - n->lits.data());
      mentioned |= row.mask;
      s->rows.push_back(row);
    }
    const bool gated = node.rows == 1 && s->rows.back().mask != 0;
    s->nodes.push_back({node.out, node.on_set, gated, s->rows.size() - node.rows, node.rows});
    if (gated) continue;
    for (int j = 0; j < s->fixed; ++j)
      if (mentioned >> j & 1) mentions.push_back({j, index});
  }
  for (size_t i = 0; i < s->nodes.size(); ++i) {
    if (s->nodes[i].gated) continue;
    const sim_node_ &node = s->nodes[i];
    for (uint64_t r = node.first_row; r < node.first_row + node.rows; ++r)
      for (uint64_t l = s->rows[r].first; l < s->rows[r].last; ++l)
        readers.push_back({n->lits[l] >> 1, int(i)});
  }
  std::sort(readers.begin(), readers.end());
  readers.erase(std::unique(readers.begin(), readers.end()), readers.end());
  Group(n->Signals(), readers, &s->reader_start, &s->readers);
  Group(size_t(s->fixed), mentions, &s->mention_start, &s->mentions);
  Group_gated(s);
  s->val.assign(n->Signals() * kWords, 0);
  s->alive.assign(s->nodes.size(), 0);
}

// A node's value in the batch with fixed inputs g; 1 when it changed.
int Evaluate(simulator_ *s, const int *lits, size_t index, uint64_t g) {
  const sim_node_ &node = s->nodes[index];
  word_ *val = s->val.data();
  word_ acc[kWords] = {0, 0, 0, 0};
  for (uint64_t r = node.first_row; r < node.first_row + node.rows; ++r) {
    const row_ &row = s->rows[r];
    if ((row.mask & (row.value ^ g)) || row.never) continue;
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
  word_ changed = 0;
  for (int w = 0; w < kWords; ++w) {
    const word_ v = node.on_set ? acc[w] : ~acc[w];
    changed |= v ^ o[w];
    o[w] = v;
  }
  return changed != 0;
}

// The assignment of pattern `bit` of the batch with fixed inputs g.
std::string Assignment(const simulator_ &s, uint64_t g, int bit) {
  std::vector<std::pair<int, int>> values;
  for (size_t j = 0; j < s.inputs.size(); ++j) {
    const int value = int(j) < s.fixed
                          ? int((g >> j) & 1)
                          : int((Varying_word(int(j) - s.fixed, bit / 64) >> (bit % 64)) & 1);
    values.push_back({s.inputs[j], value});
  }
  std::sort(values.begin(), values.end());
  std::string text;
  for (const auto &[v, value] : values)
    text += (text.empty() ? "" : " ") + std::to_string(v) + "=" + std::to_string(value);
  return text;
}

int First_zero(const word_ *w) {
  for (int i = 0; i < kWords; ++i)
    if (~w[i]) return i * 64 + __builtin_ctzll(~w[i]);
  return -1;
}

// The matrix on the batch: 1 when it does what the certificate claims on
// all 256 assignments, else 0 with the assignment that breaks it.
int Check_matrix(const check_formula_ &f, const simulator_ &s, uint64_t g, std::string *reason) {
  const word_ *val = s.val.data();
  const bool true_formula = f.certified == 0;
  word_ all[kWords] = {~0ull, ~0ull, ~0ull, ~0ull};
  for (size_t c = 0; c < f.clauses.slots(); ++c) {
    word_ sat[kWords] = {0, 0, 0, 0};
    for (uint64_t i = f.clauses.lit_start[c]; i < f.clauses.lit_start[c + 1]; ++i) {
      const int32_t lit = f.clauses.lits[i];
      const word_ *x = val + size_t(lit < 0 ? -lit : lit) * kWords;
      for (int w = 0; w < kWords; ++w) sat[w] |= lit < 0 ? ~x[w] : x[w];
    }
    if (true_formula) {
      const int bit = First_zero(sat);
      if (bit >= 0)
        return *reason =
                   "clause " + std::to_string(c + 1) + " is false when " + Assignment(s, g, bit),
               0;
    } else {
      word_ any = 0;
      for (int w = 0; w < kWords; ++w) any |= (all[w] &= sat[w]);
      if (!any) return 1;
    }
  }
  if (true_formula) return 1;
  for (int w = 0; w < kWords; ++w) all[w] = ~all[w];
  return *reason = "the matrix holds when " + Assignment(s, g, First_zero(all)), 0;
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
  if (s.fixed > 40) return *reason = "too many inputs to simulate", -1;
  const int *lits = n->lits.data();
  const int varying = int(s.inputs.size()) - s.fixed;
  for (int j = 0; j < varying; ++j)
    for (int w = 0; w < kWords; ++w)
      s.val[size_t(s.inputs[size_t(s.fixed + j)]) * kWords + w] = Varying_word(j, w);
  // The first batch (all fixed inputs 0): every node.
  for (size_t i = 0; i < s.nodes.size(); ++i) {
    Evaluate(&s, lits, i, 0);
    if (!s.nodes[i].gated) continue;
    const row_ &row = s.rows[s.nodes[i].first_row];
    s.alive[i] = !(row.mask & row.value) && !row.never;
  }
  if (!Check_matrix(f, s, 0, reason)) return 0;
  std::vector<int> live;  // the gated nodes alive, in evaluation order
  for (size_t i = 0; i < s.nodes.size(); ++i)
    if (s.alive[i]) live.push_back(int(i));
  std::priority_queue<int, std::vector<int>, std::greater<int>> queue;
  std::vector<char> queued(s.nodes.size(), 0);
  auto enqueue = [&](int i) {
    if (!queued[size_t(i)]) queued[size_t(i)] = 1, queue.push(i);
  };
  const uint64_t batches = uint64_t(1) << s.fixed;
  for (uint64_t b = 1; b < batches; ++b) {
    const uint64_t g = b ^ (b >> 1);
    const int j = __builtin_ctzll(b);  // the input that changed
    std::fill_n(s.val.data() + size_t(s.inputs[size_t(j)]) * kWords, kWords,
                ((g >> j) & 1) ? ~0ull : 0);
    // The nodes that mention input j: those not gated are evaluated again;
    // of the gated ones, the group alive before and the group alive now of
    // every mask that holds j change their state, and no others.
    for (uint64_t m = s.mention_start[size_t(j)]; m < s.mention_start[size_t(j) + 1]; ++m)
      enqueue(s.mentions[m]);
    const uint64_t before = g ^ (uint64_t(1) << j);
    bool dropped = false;
    for (uint64_t m = s.input_mask_start[size_t(j)]; m < s.input_mask_start[size_t(j) + 1]; ++m) {
      const int k = s.input_masks[m];
      const group_ *was = Group_alive(s, k, before), *is = Group_alive(s, k, g);
      for (const group_ *x : {was, is}) {
        if (!x) continue;
        const bool now = x == is;
        for (uint64_t e = x->first; e < x->first + x->count; ++e) {
          const int i = s.group_nodes[e];
          assert(s.alive[size_t(i)] != now);
          s.alive[size_t(i)] = now;
          enqueue(i);
          if (now)
            live.insert(std::lower_bound(live.begin(), live.end(), i), i);
          else
            dropped = true;
        }
      }
    }
    if (dropped)
      live.erase(
          std::remove_if(live.begin(), live.end(), [&](int i) { return !s.alive[size_t(i)]; }),
          live.end());
    for (int i : live) enqueue(i);
    while (!queue.empty()) {
      const int i = queue.top();
      queue.pop();
      queued[size_t(i)] = 0;
      if (!Evaluate(&s, lits, size_t(i), g)) continue;
      const int out = s.nodes[size_t(i)].out;
      for (uint64_t r = s.reader_start[size_t(out)]; r < s.reader_start[size_t(out) + 1]; ++r)
        enqueue(s.readers[r]);
    }
    if (!Check_matrix(f, s, g, reason)) return 0;
  }
  return 1;
}
