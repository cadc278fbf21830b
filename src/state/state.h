// The program-wide state of taverlune.
//
// Every stage of a calculation works on these variables and hands its results
// to the next one through them; this header is their glossary. Each line says
// what the variable means, then who writes it (W:) and who reads it (R:).
// Working lists are used from index 1: index 0 is never written and always
// holds 0.
#pragma once

#include <cstdint>
#include <vector>

#include <taverlune/exact_count.h>

/// A signed 64-bit integer: every divisor, answer, index and most counters.
using Integer = std::int64_t;

/// An exact count of solutions, of any size (the engine's).
using Compte = taverlune::Compte;

/// A sum of divisors on 128 bits: the divisors of a number below 2^63 can add
/// up to more than 2^63 - 1, which no such sum on 128 bits can leave.
__extension__ typedef __int128 Somme;

/// A growable list of Integers, used from index 1 (index 0 unused, always 0).
/// Lists only grow by appending zeros and are then written by index.
using Liste = std::vector<Integer>;

/// A growable list of counts, used from index 1 (index 0 unused, always 0).
using ListeComptes = std::vector<Compte>;

// ---- The dialogue: driver and validated input ---------------------------------

/// 32-bit. The int result of controle, decomp, Suiv, suiv2, suiv3. W: their
/// callers. R: nobody.
extern int A;
/// Answer to the new-calculation question, 1 for another one. W, R: driver.
extern Integer nouveau;
/// Text of the question being asked, NUL-terminated. W: calcul, driver.
/// R: controle.
extern char message[200];
/// Last answer read, NUL-terminated, at most 199 characters. W, R: controle.
extern char entree[200];
/// 32-bit. Length of the question's text. W, R: controle.
extern int l;
/// 32-bit. Length of the answer held in entree. W, R: controle.
extern int l1;
/// 32-bit. Position of the character printed or examined. W, R: controle.
extern int a;
/// 32-bit. Characters of the answer accepted so far. W, R: controle.
extern int a1;
/// 32-bit. 1 while the current answer is refused. W, R: controle.
extern int refaire;
/// 32-bit. 1 makes an integer question refuse the value 0. W: calcul.
/// R: controle.
extern int xn;
/// Value of the last accepted integer answer, modulo 2^64 read as signed.
/// W: controle. R: calcul.
extern Integer valeur0;
/// 32-bit. Last accepted yes/no answer, 0 or 1. W: controle. R: calcul, driver.
extern int valeur2;
/// Value of the character last classified: the digit, 1 for +, -1 for -.
/// W: valtest. R: controle.
extern Integer valtest2;

// ---- One calculation: its questions and targets -------------------------------

/// The number whose divisors are studied. W: calcul. R: bounds, engine.
extern Integer N;
/// The value being factorised: N on entry, 1 on return. W: calcul, decomp.
/// R: decomp.
extern Integer S;
/// Copy of S; the remaining value when the square-root rule fires. W: calcul,
/// decomp. R: nobody.
extern Integer S1;
/// The target sum: N, or the value S chosen by the user. W: calcul.
/// R: bounds, walk, engine, report.
extern Integer SN;
/// The value S as typed. W, R: calcul.
extern Integer SN1;
/// 1 when every solution is to be printed, 0 otherwise. W: calcul.
/// R: walk, engine.
extern Integer Sol;
/// 1 when the user chose a target S other than N. W: calcul. R: bounds.
extern Integer Sdif;

/// Loop indices shared by every stage. i hands the smallest-divisor prefix
/// from the bounds stage to the walk; Suiv needs i = 1 (set by decomp); k
/// counts the divisors placed by the divisor list. W, R: every stage.
extern Integer i;
extern Integer j;
extern Integer k;

// ---- Divisors of N: prime table, factorisation, divisor list ------------------

/// Primes in ascending order, Nprem[1] = 2; holds np + 1 elements and is kept
/// from one calculation to the next. W: start-up, Suiv. R: Suiv, decomp.
extern Liste Nprem;
/// Number of primes in Nprem; never decreases. W: start-up, Suiv.
/// R: Suiv, decomp.
extern Integer np;
/// 32-bit. Number of distinct prime factors of N. W: decomp.
/// R: divisor list, engine.
extern int nf;
/// Distinct prime factors of N, ascending, [1..nf]. W: decomp.
/// R: divisor list, engine.
extern Liste Nfact;
/// Exponents of Nfact[1..nf] in N. W: decomp. R: divisor list, engine.
extern Liste Nexpo;
/// Current trial prime, Nprem[k]. W, R: decomp.
extern Integer Npk;
/// Square root of the value left to factorise, truncated. W, R: decomp.
extern Integer rS;
/// Remainder of S by the current trial prime. W, R: decomp.
extern Integer reste;
/// 32-bit. Divisions by the current trial prime so far. W, R: decomp.
extern int f;
/// 32-bit. Exponent of the current trial prime counted so far. W, R: decomp.
extern int expo;
/// Exponent odometer: Prod[m] is the exponent of Nfact[m] in the divisor
/// being built, [1..nf]. W, R: divisor list, suiv2.
extern Liste Prod;
/// The divisor being built. W, R: divisor list.
extern Integer Diviseur;
/// Divisors of N other than N, ascending, [1..ND1]. W: divisor list.
/// R: bounds, walk, engine.
extern Liste Div;

// ---- Divisor-sum search: bounds, enumeration, report --------------------------

/// Number of divisors that take part in the search, Div[1..ND1]. W: divisor
/// list, lowered by bounds for a chosen target. R: bounds, walk, engine.
extern Integer ND1;
/// Sum of Div[1..ND1]. W, R: bounds.
extern Somme Smax;
/// Running sum: the smallest-divisor prefix, then the stop pattern's sum and
/// the sum of the subset under scan. W, R: bounds, walk.
extern Somme S3;
/// Number of solutions found. W: calcul (0), walk, engine. R: report.
extern Compte ns;
/// Largest number of terms among the solutions, 0 while there is none.
/// W: calcul (0), walk, engine. R: report.
extern Integer ndif;
/// Number of terms of the subset under scan. W: calcul (0), walk. R: walk.
extern Integer ndec;
/// NS[m]: number of solutions with m terms, [1..ND1]. W: bounds (grown),
/// walk, engine. R: report.
extern ListeComptes NS;
/// Current subset pattern: Term[m] = 1 when Div[m] is in the subset.
/// W: divisor list (grown), walk, suiv3. R: walk, suiv3.
extern Liste Term;
/// Stop pattern of the walk. W: divisor list (grown), walk. R: suiv3.
extern Liste Term1;
/// Terms of the subset under scan, largest first, [1..ndec]. W, R: walk.
extern Liste Ter;
/// Scan index. W, R: walk.
extern Integer T;
/// Index at which every scan starts, equal to ND1. W, R: walk.
extern Integer T0;
/// 1 while the walk goes on, 0 when it is over. W: walk, suiv3. R: walk.
extern Integer K;

/// Puts every variable and list back as the program finds them at start-up,
/// before the prime table is seeded.
void reset_to_startup();
