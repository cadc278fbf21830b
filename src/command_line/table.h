// The table of --table: a(n) for every n from A to B, one line "n a(n)",
// to standard output or to its file (table_file.h), its records alone with
// --records, its picture with --plot.
#pragma once

#include "command_line/command_line.h"

/// Runs the table; the exit status.
int executer_table(const Commande& c);
