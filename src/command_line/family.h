// The divisor-sum family on the command line: --list PROPERTY A B (the n of
// the range that have it, one a line, to standard output or to a file taken
// up again like a table's), with --count their number alone; --classify,
// every property of each N with f(N) and a(N).
#pragma once

#include "command_line/command_line.h"

/// Runs --list or --list --count; the exit status.
int executer_liste(const Commande& c);

/// Runs --classify; the exit status.
int executer_classement(const Commande& c);
