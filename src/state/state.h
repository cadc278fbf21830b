// The program-wide state of taverlune.
//
// Every stage of a calculation works on these variables and hands its results
// to the next one through them; this header is their glossary. Each variable
// says who writes it and who reads it. Working lists are used from index 1:
// index 0 is never written and always holds 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// A signed 64-bit integer: every divisor, answer, index and most counters.
using Integer = std::int64_t;

/// A growable list of Integers, used from index 1 (index 0 unused, always 0).
/// Lists only grow by appending zeros and are then written by index.
using Liste = std::vector<Integer>;

/// Sums of divisors. The divisors of a number below 2^63 can add up to more
/// than 2^63 - 1, and a running sum may pass twice the target, so every sum
/// is kept on 128 bits, which no such sum can leave.
__extension__ typedef __int128 Somme;

/// An exact count of solutions, of any size (the number of subsets of 119
/// divisors that reach a target can pass 2^64). Little-endian 64-bit words,
/// no trailing zero word; no word at all is the count 0.
struct Compte {
    std::vector<std::uint64_t> mots;  ///< the digits of the count in base 2^64

    bool est_nul() const { return mots.empty(); }
    Compte& operator+=(std::uint64_t n);
    Compte& operator+=(const Compte& autre);
    /// The product, exact.
    friend Compte operator*(const Compte& x, const Compte& y);
    bool operator==(const Compte& autre) const = default;
    /// Plain decimal digits, "0" for the count 0.
    std::string decimal() const;
};

/// A growable list of counts, used from index 1 (index 0 unused, always 0).
using ListeComptes = std::vector<Compte>;

// ---- The dialogue: driver and validated input ---------------------------------

/// Receives the int result of controle, decomp, Suiv, suiv2, suiv3; never read.
extern int A;
/// Answer to the new-calculation question (1: another calculation). Driver.
extern Integer nouveau;
/// Text of the question being asked, NUL-terminated. Written by the asker.
extern char message[200];
/// Last answer read, NUL-terminated, at most 199 characters. controle.
extern char entree[200];
/// 32-bit. Length of the question's text. controle.
extern int l;
/// 32-bit. Length of the answer held in entree. controle.
extern int l1;
/// 32-bit. Position of the character printed or examined. controle.
extern int a;
/// 32-bit. Characters of the answer accepted so far (integer mode). controle.
extern int a1;
/// 32-bit. 1 while the current answer is refused and must be asked again.
extern int refaire;
/// 32-bit. Set by the asker: 1 makes an integer question refuse the value 0.
extern int xn;
/// Value of the last accepted integer answer, modulo 2^64 read as signed.
/// Written by controle, read by calcul.
extern Integer valeur0;
/// 32-bit. Last accepted yes/no answer, 0 or 1. Written by controle.
extern int valeur2;
/// Value of the character last classified by valtest.
extern Integer valtest2;

// ---- One calculation: its questions and targets -------------------------------

/// The number whose divisors are studied. Set by calcul.
extern Integer N;
/// The value being factorised (N on entry of decomp, 1 on return).
extern Integer S;
/// Copy of S; the remaining value when the square-root rule fires. decomp.
extern Integer S1;
/// The target sum: N, or the value S chosen by the user. calcul.
extern Integer SN;
/// The value S as typed. calcul.
extern Integer SN1;
/// 1 when every solution is to be printed, 0 otherwise. calcul.
extern Integer Sol;
/// 1 when the user chose a target S other than N, 0 otherwise. calcul.
extern Integer Sdif;

/// Loop indices shared by every stage; several stages hand values to the next
/// one through i and k, as each stage's file says.
extern Integer i;
extern Integer j;
extern Integer k;
extern Integer t;

// ---- Divisors of N: prime table, factorisation, divisor list ------------------

/// Primes in ascending order, Nprem[1] = 2; holds np + 1 elements. Only Suiv
/// writes it, and it is kept from one calculation to the next.
extern Liste Nprem;
/// Number of primes in Nprem; never decreases.
extern Integer np;
/// 32-bit. Number of distinct prime factors of N. decomp.
extern int nf;
/// Distinct prime factors of N, ascending, [1..nf]. decomp.
extern Liste Nfact;
/// Exponents of Nfact[1..nf] in N. decomp.
extern Liste Nexpo;
/// Current trial prime, Nprem[k]. decomp.
extern Integer Npk;
/// Square root of the value left to factorise, truncated. decomp.
extern Integer rS;
/// Remainder of S by the current trial prime. decomp.
extern Integer reste;
/// 32-bit. Divisions by the current trial prime so far. decomp.
extern int f;
/// 32-bit. Exponent of the current trial prime counted so far. decomp.
extern int expo;
/// Exponent odometer: Prod[m] is the exponent of Nfact[m] in the divisor
/// being built, [1..nf]. Divisor-list stage and suiv2.
extern Liste Prod;
/// The divisor being built. Divisor-list stage.
extern Integer Diviseur;
/// Divisors of N other than N, ascending, [1..ND1]. Divisor-list stage.
extern Liste Div;

// ---- Divisor-sum search: bounds, enumeration, report --------------------------

/// Number of divisors that take part in the search, Div[1..ND1]. Set by the
/// divisor-list stage, lowered by the bounds stage for a chosen target.
extern Integer ND1;
/// Sum of Div[1..ND1]. Bounds stage.
extern Somme Smax;
/// Running sum: the smallest-divisor prefix (bounds), then the stop pattern's
/// sum and the sum of the subset under scan (walk).
extern Somme S3;
/// Number of solutions found. Search, read by the report.
extern Compte ns;
/// Largest number of terms among the solutions, 0 while there is none.
extern Integer ndif;
/// Number of terms of the subset under scan. Walk.
extern Integer ndec;
/// NS[m]: number of solutions with m terms, [1..ND1]. Search, report.
extern ListeComptes NS;
/// Current subset pattern: Term[m] = 1 when Div[m] is in the subset. Walk.
extern Liste Term;
/// Stop pattern of the walk. Walk.
extern Liste Term1;
/// Terms of the subset under scan, largest first, [1..ndec]. Walk.
extern Liste Ter;
/// Scan index. Walk.
extern Integer T;
/// Index at which every scan starts, equal to ND1. Walk.
extern Integer T0;
/// 1 while the walk goes on, 0 when it is over. Walk and suiv3.
extern Integer K;

/// true: the search runs the plain pattern walk (the definition of the
/// results) instead of the fast engine. Set by the reference program only.
extern bool recherche_par_parcours;

/// Puts every variable and list back as the program finds them at start-up,
/// before the prime table is seeded. Tests call it between cases.
void reset_to_startup();
