// The phase network of a long-distance proof: the functions that merged
// literals stand for. A phase is an int: 0 and 1 the constants (the phases
// of a plain negative and positive literal), k >= 2 the node
// ITE(pivot, then, else) nodes[k - 2], built when a resolution on `pivot`
// merges a variable whose phases in the two parents differ.
#ifndef CEROX_LONG_DISTANCE_H
#define CEROX_LONG_DISTANCE_H

#include <cstdint>
#include <unordered_map>
#include <vector>

struct ld_node_ {
  int pivot;  // variable number
  int then_phase, else_phase;
};

struct ld_phases_ {
  std::vector<ld_node_> nodes;
  std::unordered_map<uint64_t, int> node_of;  // by (pivot, then, else)
  // The merged literals that step conditions use: (variable, phase) pairs,
  // each a node "variable equals phase" of its own.
  std::vector<std::pair<int, int>> literals;
  std::unordered_map<uint64_t, int> literal_of;
  bool Any() const { return !nodes.empty(); }
};

// The phase ITE(pivot, then, else) (then != else), shared among equal ones.
int Ld_phase(ld_phases_ *phases, int pivot, int then_phase, int else_phase);

#endif
