// The console dialogue: the validated questions, one calculation from its
// questions to its report, and the program's driver.
#pragma once

/// Asks the question `chaine` until an acceptable answer is typed.
/// cas = 1: yes/no, the answer (0 or 1) goes to valeur2.
/// cas = 9: a non-negative integer, its value (modulo 2^64, read as signed)
///          goes to valeur0; with xn = 1 the value 0 is refused too. An
///          accepted answer above 2^63 - 1 is said in one line on standard
///          error, with the value it is taken as.
/// Any other cas asks nothing. Always returns 0. At the end of input the
/// program ends (status 1) right after the question it has printed.
int controle(int cas, char* chaine);

/// 1 when caract1 is a digit, + or -, else 0; the character's value goes to
/// valtest2 (the digit's value, 1 for +, -1 for -, 0 otherwise).
int valtest(char caract1);

/// One calculation: asks N, whether to print every solution, the target;
/// then runs its stages (etapes).
void calcul();

/// The stages of one calculation, once its answers are in N, S, S1, Sol,
/// Sdif and SN: the factorisation, the divisor list, the bounds and, unless
/// a quick outcome ends the calculation there, the search and its report.
/// The working lists are back at their start-up length afterwards.
void etapes();

/// The start-up state: every variable and working list as created, the prime
/// table seeded with 2 and 3.
void demarrer();

/// Prints the presentation text (seventeen pieces).
void presentation();

/// The whole program: start-up state, presentation, one calculation after
/// another until the user declines a new one; then ends with status 1.
[[noreturn]] void programme();
