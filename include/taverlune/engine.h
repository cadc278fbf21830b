// The counting and listing engine: the subsets of a list of distinct positive
// integers (the divisors of N that take part) whose sum is a target, counted
// by number of terms or listed in order, without enumerating what cannot
// lead to a solution.
//
// This header is the one way in. The engine keeps no state between calls:
// everything it needs comes in a Probleme, a Reglages and a Rappels, and
// what it finds comes back in a Resultat and through a Puits. Two calls may
// run at the same time on different threads; each owns its memory and the
// threads it starts, within what its Reglages give it. It writes nothing to
// standard output or standard error and installs no signal handler.
//
// Errors are exceptions, and a call that throws has joined every thread it
// started: std::invalid_argument for a problem that breaks its contract
// (below); std::bad_alloc when memory runs short for even the leanest
// method, MemoireTropCourte (a std::bad_alloc) when only a method that
// cannot end fits while another would end given the memory; and whatever a
// callback or the sink throws, which stops the search. A method whose tables
// do not fit in the budget gives way to a leaner one.
//
// Threads: a count may run its passes on several threads of its own; every
// callback (Rappels) and the sink (Puits) are called from the thread that
// called the engine, never from another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "taverlune/exact_count.h"
#include "taverlune/version.h"

namespace taverlune {

/// The version of the library, "MAJOR.MINOR.PATCH": TAVERLUNE_VERSION_STRING
/// as the library was built, which a program may compare with the one of the
/// headers it was compiled with.
std::string version();

/// A prime factor of N and its exponent.
struct PuissancePremiere {
    std::int64_t p = 0;
    int e = 0;
};

/// What to search: the nonempty subsets of the elements whose sum is the
/// target (the empty set is never a solution: a target below 1 has none).
/// Checked by every call, which throws std::invalid_argument, with a
/// message, when it breaks the contract below.
struct Probleme {
    /// The elements that take part: ascending, distinct, positive.
    std::vector<std::int64_t> elements;
    /// The sum to reach.
    std::int64_t cible = 0;
    /// N >= 2, when the elements are exactly the divisors of N other than
    /// N, every one of them up to the target; with its factorisation (primes
    /// ascending, each exponent from 1, their product N; found by the engine
    /// when none is given), it opens the split along a prime power and the
    /// groups of divisors whose sums never carry. 0 and no factorisation:
    /// the elements alone.
    std::int64_t N = 0;
    std::vector<PuissancePremiere> facteurs;
};

/// Memory too short for any method that would end: only counting by listing
/// every solution fits, it cannot end in reasonable time, and a method left
/// out for want of memory would end within a day.
class MemoireTropCourte : public std::bad_alloc {
public:
    const char* what() const noexcept override;
};

/// How the engine may work. The defaults are the engine's own choices; the
/// switches serve to check each method alone.
struct Reglages {
    bool par_table = true;        ///< counting by the table over all the elements
    bool par_sommes = true;       ///< the total alone by a table over the sums alone
    bool par_decoupe = true;    ///< counting through the split along a prime power of N
    bool par_restes_retenus = true;       ///< counting by remembered remainders
    bool aux_points = true;       ///< counting by values of the number of terms, a cell a sum (little memory)
    bool noyau_portable = false;  ///< no AVX/AVX2 kernels, as on a processor without them
    /// Tables of this many bytes or more add their elements two at a time.
    std::size_t paires_des_octets = std::size_t{24} << 20;
    /// The most bytes the listing's table of reachable sums may take.
    std::size_t octets_sommes_max = std::size_t{1} << 28;
    /// The most bytes a count may take; 0: what the process's limits and the
    /// machine leave. A caller running several counts at once splits one
    /// budget between them.
    std::size_t memoire = 0;
    /// The most threads a count may run; 0: one per core this process may use.
    unsigned fils = 0;
};

/// A search that will not end in reasonable time, as estimated before it starts.
struct Lenteur {
    enum class Quoi { comptage, comptage_par_liste, liste } quoi = Quoi::comptage;
    double secondes = 0;    ///< the estimated work, in seconds of this machine
    double solutions = 0;   ///< for a listing: the solutions it will print
    bool plus_que = false;  ///< the work is more than `secondes`: only a bound could be had
};

/// What the engine tells its caller while it works. Either may be empty;
/// both are called from the thread that called the engine. What they throw
/// stops the search and leaves the call.
struct Rappels {
    /// The share of the work done, in [0, 1], and the solutions found so far
    /// when the method knows them (a listing). Called a few times a second
    /// at most, in every phase of the work; false asks the search to stop
    /// (the Resultat then says so), which it does within a fifth of a second.
    std::function<bool(double part, std::optional<std::uint64_t> trouvees)> progres;
    /// Called once, before a search that will take long.
    std::function<void(const Lenteur&)> lenteur;
};

/// Where the listing goes: the solutions' text, in whole solutions, from
/// the thread that called lister. What it throws stops the listing.
class Puits {
public:
    virtual ~Puits() = default;
    virtual void ecrire(std::string_view texte) = 0;
    /// After each solution when the Forme asks for it, and at the end.
    virtual void vider() {}
};

/// How a solution is written: the opening, the terms ascending in decimal
/// with the separator between two, the closing.
struct Forme {
    std::string ouverture;
    std::string separateur = " ";
    std::string fermeture = "\n";
    /// Each solution handed over (and vider called) as soon as it is found,
    /// as a terminal wants; otherwise in pieces of 64 KiB.
    bool immediat = false;
};

/// What a count computes.
enum class Mesure {
    total,         ///< the number of solutions alone
    distribution,  ///< the number of solutions of each number of terms
};

struct Resultat {
    /// false when the progress callback asked the search to stop: the counts
    /// are then not to be used, and a listing stopped after a whole solution.
    bool complet = true;
    Compte total;
    /// par_termes[m]: the solutions of m terms, m = 0 .. elements.size()
    /// (with Mesure::distribution, and after a listing).
    std::vector<Compte> par_termes;
};

/// Counts the subsets of p.elements whose sum is p.cible.
Resultat compter(const Probleme& p, const Reglages& r = {}, const Rappels& rappels = {},
                 Mesure mesure = Mesure::distribution);

/// The seconds compter(p, r, {}, mesure) is estimated to take on this
/// machine: the method it would choose, its passes, the threads it would
/// run and the cores the other processes leave it now; within a factor of
/// about two for the counts of seconds to hours. Counts nothing: the time to
/// plan the methods, a few milliseconds more the first time in a process
/// (the machine's speed is measured once), and a sixth of a second to look
/// at the load when the count is longer than a tenth of a second or so.
double estimer(const Probleme& p, const Reglages& r = {}, Mesure mesure = Mesure::distribution);

/// Lists those subsets, each written to `puits` in the form `forme`, in
/// increasing lexicographic order of their ascending terms; counts them by
/// number of terms as it goes.
Resultat lister(const Probleme& p, Puits& puits, const Forme& forme, const Reglages& r = {},
                const Rappels& rappels = {});

/// Bytes a search may still take: the least of what the process's limits
/// (address space, data) leave and of the memory the machine has available,
/// less a margin. What Reglages::memoire = 0 stands for.
std::size_t memoire_disponible();

/// The cores this process may run on: what Reglages::fils = 0 stands for.
unsigned coeurs_disponibles();

// ---- One N: its factorisation and divisors, the problem of its sums ----------

/// The prime factors of n >= 1 with their exponents, primes ascending (none
/// for 1). Deterministic, a few microseconds for most n below 2^63.
std::vector<PuissancePremiere> factoriser(std::int64_t n);

/// The divisors of n >= 1, ascending, n itself included.
std::vector<std::int64_t> diviseurs(std::int64_t n);

/// The divisors of N >= 1 other than N that are at most `cible`, with N's
/// factorisation: the problem of a(N) (the target N) or of another target.
Probleme probleme_de(std::int64_t N, std::int64_t cible);

/// What the sum of the elements says at once: none reaches the target, only
/// all of them together, or a search is needed.
enum class Issue { aucune, toutes, recherche };
Issue issue_rapide(const Probleme& p);

/// The total of p's solutions by another route than compter(p, r, rappels,
/// mesure) takes: the table over the sums alone after a distribution, the
/// distribution's methods summed after a total. For a double check.
Compte compter_autrement(const Probleme& p, const Reglages& r, const Rappels& rappels, Mesure mesure);

// ---- Tables over ranges of N ----------------------------------------------------

/// The sequence of a table.
enum class Suite {
    a065205,  ///< a(n): the sets of distinct divisors of n other than n whose sum is the target
    a083206,  ///< f(n): the splits of the divisors of n, n included, into two sets of equal sum
};

/// How a table is run.
struct ReglagesTable {
    unsigned fils = 0;      ///< threads; 0: one per core this process may use
    bool verifier = false;  ///< each a(n) counted twice, by two routes
    Suite suite = Suite::a065205;  ///< with a083206 the offset must be 0
};

/// a(n) for every n from `debut` to `fin` (1 <= debut <= fin <= 2^63 - 1),
/// the target n + `decalage` (n + decalage <= 2^63 - 1 for every n: the
/// caller checks), given in order of n; or f(n) (Suite::a083206: the sets of
/// divisors of n other than n whose sum is (sigma(n) - 2n) / 2, 1 for a
/// perfect n, 0 when sigma(n) is odd or below 2n; std::domain_error when
/// that target passes 2^63 - 1). The n are computed ahead on threads
/// started at the first call of `suivante` and stopped when the Table goes:
/// the lines never depend on the number of threads. A sieve gives the sum
/// of the divisors of the n of each piece of the range: most n need nothing
/// more; the others are counted, the total alone, one count per thread.
class Table {
public:
    struct Ligne {
        std::int64_t n = 0;
        Compte a;
        bool verifiee = true;  ///< false: the two routes differ (the table stops there)
    };
    Table(std::int64_t debut, std::int64_t fin, std::int64_t decalage, const ReglagesTable& r = {});
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    /// The next line; none after the last n, or once `attente` returns
    /// false. While the line is not ready, the calling thread calls
    /// `attente` about every tenth of a second. An exception met by a thread
    /// (std::bad_alloc) leaves here, in the calling thread.
    std::optional<Ligne> suivante(const std::function<bool()>& attente = {});

    /// The share of the range computed so far, in [0, 1].
    double part() const;

private:
    struct Etat;
    std::unique_ptr<Etat> etat_;
};

}  // namespace taverlune
