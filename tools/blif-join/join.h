// Joining a formula BLIF network (1) and a certificate network (2).
#ifndef CEROX_JOIN_H
#define CEROX_JOIN_H

#include "text_io.h"

// Writes the header and nodes of (1), then the nodes of (2), into `out`,
// printing the progress lines. A certificate that reaches ".end" without a
// ".names" has no nodes: the output is (1) and ".end". Returns 1, or 0 after
// printing why ((1) without ".outputs", (2) with neither ".names" nor
// ".end"). Does not close anything.
int Join_blif(text_reader_ *formula, text_reader_ *certificate, text_writer_ *out,
              const char *formula_name, const char *certificate_name);

#endif
