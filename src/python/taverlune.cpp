// The Python module taverlune: the engine's counts, listings and tables, with
// Python's integers of any size. It converts values and calls the library
// (<taverlune/engine.h>), nothing else: no signal handler of its own, no
// process. The interpreter's lock is released while the engine works and
// taken again only to call back into Python; Ctrl-C is Python's own
// KeyboardInterrupt, seen by PyErr_CheckSignals in the engine's progress
// callback, which then asks the engine to stop and raises it once the engine
// has returned (every thread joined).
#include <pybind11/pybind11.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <taverlune/engine.h>
#include <taverlune/family.h>

namespace py = pybind11;
using namespace taverlune;

namespace {

constexpr std::int64_t max63 = std::numeric_limits<std::int64_t>::max();

// ---- Values ----------------------------------------------------------------------

// An integer argument (an int, or any object with __index__) within
// [min, max]; ValueError naming the argument otherwise, TypeError for what is
// not an integer.
std::int64_t entier(py::handle v, const char* nom, std::int64_t min, std::int64_t max = max63) {
    const py::object i = py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr()));
    if (!i) throw py::error_already_set();
    int depasse = 0;
    const long long x = PyLong_AsLongLongAndOverflow(i.ptr(), &depasse);
    if (x == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (depasse != 0 || x < min || x > max) {
        const std::string borne = max == max63 ? "2**63 - 1" : std::to_string(max);
        throw py::value_error(std::string(nom) + " must be a whole number from " + std::to_string(min) + " to " +
                              borne + ", not " + py::str(i).cast<std::string>());
    }
    return x;
}

std::int64_t nombre(py::handle n) { return entier(n, "n", 1); }
std::int64_t cible_de(py::handle cible, std::int64_t n) { return cible.is_none() ? n : entier(cible, "target", 1); }

// An exact count as a Python int, from its 64-bit words.
py::int_ en_python(const Compte& c) {
    if (c.mots.size() <= 1)
        return py::reinterpret_steal<py::int_>(PyLong_FromUnsignedLongLong(c.mots.empty() ? 0 : c.mots[0]));
    std::vector<unsigned char> octets(8 * c.mots.size());
    for (std::size_t k = 0; k < octets.size(); ++k)
        octets[k] = static_cast<unsigned char>(c.mots[k / 8] >> (k % 8 * 8));
#if PY_VERSION_HEX >= 0x030D0000
    PyObject* i = PyLong_FromUnsignedNativeBytes(octets.data(), static_cast<Py_ssize_t>(octets.size()),
                                                 Py_ASNATIVEBYTES_LITTLE_ENDIAN);
#else
    PyObject* i = _PyLong_FromByteArray(octets.data(), octets.size(), 1, 0);
#endif
    if (i == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::int_>(i);
}

Reglages reglages(py::handle threads, py::handle memory) {
    Reglages r;
    r.fils = static_cast<unsigned>(entier(threads, "threads", 0, std::numeric_limits<unsigned>::max()));
    r.memoire = static_cast<std::size_t>(entier(memory, "memory", 0));
    return r;
}

// ---- The interpreter's lock -----------------------------------------------------------

bool python_finit() {
#if PY_VERSION_HEX >= 0x030D0000
    return Py_IsFinalizing() != 0;
#else
    return _Py_IsFinalizing() != 0;
#endif
}

// The interpreter's lock released for a scope, taken again at its end. A
// thread that comes back while the interpreter is ending (a daemon thread)
// waits there for the process to end, as Python 3.14 has it: taking the lock
// then would end the thread from inside this destructor, which must not
// throw. Once the interpreter is ending, the lock is kept: joining the
// engine's threads needs no lock.
class SansVerrou {
public:
    SansVerrou() : etat_(python_finit() ? nullptr : PyEval_SaveThread()) {}
    ~SansVerrou() {
        if (etat_ == nullptr) return;
        while (python_finit()) std::this_thread::sleep_for(std::chrono::seconds(1));
        PyEval_RestoreThread(etat_);
    }
    SansVerrou(const SansVerrou&) = delete;
    SansVerrou& operator=(const SansVerrou&) = delete;

private:
    PyThreadState* etat_;
};

// ---- Progress and Ctrl-C -----------------------------------------------------------

// The engine's progress callback for a call made without the interpreter's
// lock: takes the lock, runs Python's signal handlers (Ctrl-C raises
// KeyboardInterrupt there), calls the user's callable with the share of the
// work done (never going back). What Python raises is kept and the engine
// asked to stop; `lever` raises it again once the engine has returned.
class Suivi {
public:
    explicit Suivi(py::object rappel) : rappel_(std::move(rappel)) {}

    bool operator()(double part) {
        if (python_finit()) return false;  // the engine stops; SansVerrou waits for the end
        const py::gil_scoped_acquire verrou;
        if (erreur_) return false;
        try {
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
            part_ = std::max(part_, std::min(part, 1.0));
            if (!rappel_.is_none()) rappel_(part_);
        } catch (py::error_already_set& e) {
            erreur_ = std::make_unique<py::error_already_set>(std::move(e));
            return false;
        }
        return true;
    }

    Rappels rappels() {
        Rappels r;
        r.progres = [this](double part, std::optional<std::uint64_t>) { return (*this)(part); };
        return r;
    }

    /// With the lock: what Python raised, else the end of the work (1.0) told.
    void lever(bool fini) {
        if (erreur_) {
            py::error_already_set e = std::move(*erreur_);
            erreur_.reset();
            throw e;
        }
        if (fini && !rappel_.is_none()) rappel_(1.0);
    }

private:
    py::object rappel_;
    double part_ = 0;
    std::unique_ptr<py::error_already_set> erreur_;
};

// The engine's count, the quick outcomes settled first as the command line does.
Resultat compter_vite(const Probleme& p, const Reglages& r, const Rappels& rappels, Mesure mesure) {
    const Issue issue = issue_rapide(p);
    if (issue == Issue::recherche) return compter(p, r, rappels, mesure);
    Resultat res;
    res.par_termes.resize(p.elements.size() + 1);
    if (issue == Issue::toutes) {
        res.total += 1;
        res.par_termes.back() += 1;
    }
    return res;
}

// A count without the interpreter's lock, then its result or what Python raised.
Resultat compter_sans_verrou(const std::function<Probleme()>& probleme, const Reglages& r, py::object progress,
                             Mesure mesure) {
    Suivi suivi(std::move(progress));
    const Rappels rappels = suivi.rappels();
    Resultat res;
    {
        const SansVerrou sans_verrou;
        res = compter_vite(probleme(), r, rappels, mesure);
    }
    suivi.lever(res.complet);
    return res;
}

py::int_ count(py::handle n, py::handle target, py::handle threads, py::handle memory, py::object progress) {
    const std::int64_t N = nombre(n), S = cible_de(target, N);
    const Resultat res = compter_sans_verrou([&] { return probleme_de(N, S); }, reglages(threads, memory),
                                             std::move(progress), Mesure::total);
    return en_python(res.total);
}

py::dict distribution(py::handle n, py::handle target, py::handle threads, py::handle memory, py::object progress) {
    const std::int64_t N = nombre(n), S = cible_de(target, N);
    const Resultat res = compter_sans_verrou([&] { return probleme_de(N, S); }, reglages(threads, memory),
                                             std::move(progress), Mesure::distribution);
    py::dict d;
    for (std::size_t m = 1; m < res.par_termes.size(); ++m)
        if (!res.par_termes[m].est_nul()) d[py::int_(m)] = en_python(res.par_termes[m]);
    return d;
}

py::int_ count_subsets(py::iterable values, py::handle target, py::handle threads, py::handle memory,
                       py::object progress) {
    Probleme p;
    for (const py::handle v : values) p.elements.push_back(entier(v, "values", 1));
    p.cible = entier(target, "target", 1);
    std::sort(p.elements.begin(), p.elements.end());
    if (const auto double_ = std::adjacent_find(p.elements.begin(), p.elements.end()); double_ != p.elements.end())
        throw py::value_error("values must be distinct: " + std::to_string(*double_) + " is there twice");
    const Resultat res = compter_sans_verrou([&] { return std::move(p); }, reglages(threads, memory),
                                             std::move(progress), Mesure::total);
    return en_python(res.total);
}

py::list divisors(py::handle n) {
    const std::int64_t N = nombre(n);
    py::list l;
    for (const std::int64_t d : diviseurs(N)) l.append(py::int_(d));
    return l;
}

py::list factor(py::handle n) {
    const std::int64_t N = nombre(n);
    py::list l;
    for (const PuissancePremiere& f : factoriser(N)) l.append(py::make_tuple(f.p, f.e));
    return l;
}

// ---- Iterators that run threads: closed at the latest when Python exits -----------------

// An iterator whose work runs on threads. Its __next__ releases the
// interpreter's lock at times, so another Python thread may call close()
// meanwhile: that thread then only asks for the stop, and the one in __next__
// closes on its way out.
class Fermable {
public:
    virtual ~Fermable() = default;
    /// In a __next__, in some thread.
    bool occupe() const { return occupe_; }

    /// With the interpreter's lock.
    void close() {
        fermeture_ = true;
        demander_l_arret();
        if (!occupe_) fermer();
    }

protected:
    /// Asks the work to stop, from any thread.
    virtual void demander_l_arret() = 0;
    /// Stops the work and joins its threads; with the interpreter's lock, in no __next__.
    virtual void fermer() = 0;

    /// For the length of a __next__.
    class Occupation {
    public:
        explicit Occupation(Fermable& f) : f_(f) {
            if (f_.occupe_) throw py::value_error("this iterator is already being read in another thread");
            f_.occupe_ = true;
        }
        ~Occupation() {
            f_.occupe_ = false;
            if (f_.fermeture_) f_.fermer();
        }
        Occupation(const Occupation&) = delete;
        Occupation& operator=(const Occupation&) = delete;

    private:
        Fermable& f_;
    };

    std::atomic<bool> fermeture_{false};

private:
    bool occupe_ = false;
};

// Those alive, for Python's exit (atexit), which may leave objects undestroyed.
std::set<Fermable*>& vivants() {
    static std::set<Fermable*> v;
    return v;
}

// ---- The listing, on a thread of its own, handed over in lots ---------------------

// The solutions of one N, lazily: the engine's listing runs on a thread and
// hands over lots of solutions through a short queue, where it waits while
// the queue is full; closing asks the listing to stop and joins the thread.
class Solutions : public Fermable {
public:
    Solutions(std::int64_t n, std::int64_t cible) : probleme_(probleme_de(n, cible)) { vivants().insert(this); }
    ~Solutions() override {
        close();
        vivants().erase(this);
    }
    Solutions(const Solutions&) = delete;
    Solutions& operator=(const Solutions&) = delete;

    py::tuple suivante() {
        const Occupation occupation(*this);
        while (position_ >= lot_.fins.size()) {
            if (!prendre()) throw py::stop_iteration();
        }
        const std::size_t debut = position_ == 0 ? 0 : lot_.fins[position_ - 1], fin = lot_.fins[position_];
        ++position_;
        py::tuple t(fin - debut);
        for (std::size_t k = debut; k < fin; ++k) {
            PyObject* x = PyLong_FromLongLong(lot_.termes[k]);
            if (x == nullptr) throw py::error_already_set();
            PyTuple_SET_ITEM(t.ptr(), static_cast<Py_ssize_t>(k - debut), x);
        }
        return t;
    }

private:
    void demander_l_arret() override {
        {
            const std::lock_guard<std::mutex> garde(verrou_);
            arret_ = true;
        }
        change_.notify_all();
    }

    void fermer() override {
        demander_l_arret();
        if (travail_.joinable()) {
            const SansVerrou sans_verrou;
            travail_.join();
        }
        lot_ = {};
        position_ = 0;
        file_.clear();
    }

    struct Lot {
        std::vector<std::int64_t> termes;
        std::vector<std::size_t> fins;  ///< solution k: termes[fins[k - 1] .. fins[k])
    };
    struct Arret {};  ///< thrown in the listing's thread to end it
    static constexpr std::size_t solutions_par_lot = 4096, lots_en_file = 4;

    // The listing's sink, in its thread: the text of whole solutions read
    // back into numbers; a lot handed over when full, or at once when the
    // consumer waits.
    class Lecteur : public Puits {
    public:
        explicit Lecteur(Solutions& s) : s_(s) {}
        void ecrire(std::string_view texte) override {
            for (const char c : texte) {
                if (c >= '0' && c <= '9') {
                    x_ = x_ * 10 + (c - '0');
                } else {
                    lot_.termes.push_back(x_);
                    x_ = 0;
                    if (c == '\n') lot_.fins.push_back(lot_.termes.size());
                }
            }
        }
        void vider() override {
            if (lot_.fins.size() >= solutions_par_lot || (!lot_.fins.empty() && s_.attend_)) livrer();
        }
        void livrer() {
            if (s_.livrer(std::move(lot_))) lot_ = {};
            else throw Arret{};
        }
        bool vide() const { return lot_.fins.empty(); }

    private:
        Solutions& s_;
        Lot lot_;
        std::int64_t x_ = 0;  // the term being read
    };

    void demarrer() {
        travail_ = std::thread([this] {
            Lecteur lecteur(*this);
            std::exception_ptr erreur;
            try {
                Rappels rappels;
                rappels.progres = [&](double, std::optional<std::uint64_t>) {
                    if (!lecteur.vide() && attend_) lecteur.livrer();
                    const std::lock_guard<std::mutex> garde(verrou_);
                    return !arret_;
                };
                lister(probleme_, lecteur, Forme{"", " ", "\n", true}, Reglages{}, rappels);
                if (!lecteur.vide()) lecteur.livrer();
            } catch (const Arret&) {
            } catch (...) {
                erreur = std::current_exception();
            }
            const std::lock_guard<std::mutex> garde(verrou_);
            fini_ = true;
            erreur_ = erreur;
            change_.notify_all();
        });
    }

    // In the listing's thread: the lot queued, once there is room; false when
    // the iterator was closed.
    bool livrer(Lot&& lot) {
        std::unique_lock<std::mutex> garde(verrou_);
        change_.wait(garde, [&] { return arret_ || file_.size() < lots_en_file; });
        if (arret_) return false;
        file_.push_back(std::move(lot));
        change_.notify_all();
        return true;
    }

    // The next lot into lot_, waiting for it without the interpreter's lock
    // (Python's signal handlers run every tenth of a second); false at the end.
    bool prendre() {
        if (fermeture_) return false;
        if (!travail_.joinable()) demarrer();
        for (;;) {
            bool pret = false;
            {
                const SansVerrou sans_verrou;
                std::unique_lock<std::mutex> garde(verrou_);
                attend_ = true;
                pret = change_.wait_for(garde, std::chrono::milliseconds(100),
                                        [&] { return !file_.empty() || fini_ || arret_; });
                attend_ = false;
                if (arret_) return false;
                if (pret && !file_.empty()) {
                    lot_ = std::move(file_.front());
                    file_.pop_front();
                    position_ = 0;
                    change_.notify_all();
                    return true;
                }
            }
            if (pret) {  // the listing ended
                const std::exception_ptr erreur = erreur_;
                fermeture_ = true;  // closed on the way out of __next__
                if (erreur) std::rethrow_exception(erreur);
                return false;
            }
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        }
    }

    const Probleme probleme_;
    std::thread travail_;
    std::mutex verrou_;
    std::condition_variable change_;
    std::deque<Lot> file_;
    bool arret_ = false, fini_ = false;
    std::atomic<bool> attend_{false};
    std::exception_ptr erreur_;
    Lot lot_;  // the lot being read, in the consumer's thread
    std::size_t position_ = 0;
};

// ---- Tables ----------------------------------------------------------------------------

// The lines (n, a(n)) of the engine's Table, or its records alone.
class Lignes : public Fermable {
public:
    Lignes(std::int64_t debut, std::int64_t fin, std::int64_t decalage, unsigned fils, bool records,
           py::object progress, Suite suite)
        : table_(std::make_unique<Table>(debut, fin, decalage, ReglagesTable{fils, false, suite})),
          records_(records),
          suivi_(std::move(progress)) {
        vivants().insert(this);
    }
    ~Lignes() override {
        close();
        vivants().erase(this);
    }
    Lignes(const Lignes&) = delete;
    Lignes& operator=(const Lignes&) = delete;

    py::tuple suivante() {
        const Occupation occupation(*this);
        if (fermeture_) throw py::stop_iteration();
        std::optional<Table::Ligne> l;
        {
            const SansVerrou sans_verrou;
            const std::function<bool()> attente = [this] { return !fermeture_ && suivi_(table_->part()); };
            while (!fermeture_ && (l = table_->suivante(attente))) {
                const bool montrer = std::chrono::steady_clock::now() >= prochain_;
                if (montrer) prochain_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
                if (montrer && !suivi_(table_->part())) {
                    l.reset();
                    break;
                }
                if (!records_ || l->a > record_) break;
            }
        }
        if (fermeture_) l.reset();
        if (!l) {
            fermeture_ = true;  // closed on the way out
            suivi_.lever(true);
            throw py::stop_iteration();
        }
        if (records_) record_ = l->a;
        return py::make_tuple(l->n, en_python(l->a));
    }

private:
    void demander_l_arret() override {}  // fermeture_, seen between two lines and while waiting for one
    void fermer() override {
        if (!table_) return;
        const SansVerrou sans_verrou;
        table_.reset();  // its threads joined
    }

    std::unique_ptr<Table> table_;
    const bool records_;
    Compte record_;
    Suivi suivi_;
    std::chrono::steady_clock::time_point prochain_ = std::chrono::steady_clock::now();
};

// The sequence a table gives: A065205 (a(n)), or A083206 (f(n), "zumkeller-splits"), in either case.
Suite suite_de(const std::string& nom) {
    std::string n = nom;
    for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (n == "a065205") return Suite::a065205;
    if (n == "a083206" || n == "zumkeller-splits") return Suite::a083206;
    throw py::value_error("sequence must be 'A065205' or 'A083206' ('zumkeller-splits'), not '" + nom + "'");
}

std::unique_ptr<Lignes> lignes(py::handle a, py::handle b, py::handle offset, py::handle threads, bool records,
                               py::object progress, const std::string& sequence = "A065205") {
    const Suite suite = suite_de(sequence);
    const std::int64_t debut = entier(a, "a", 1), fin = entier(b, "b", 1);
    const std::int64_t decalage = entier(offset, "offset", std::numeric_limits<std::int64_t>::min());
    const unsigned fils = static_cast<unsigned>(entier(threads, "threads", 0, std::numeric_limits<unsigned>::max()));
    if (debut > fin) throw py::value_error("the table's range is empty: a is above b");
    if (decalage > 0 && fin > max63 - decalage)
        throw py::value_error("offset " + std::to_string(decalage) +
                              " takes the target n + offset past 2**63 - 1: with it, b is at most " +
                              std::to_string(max63 - decalage));
    if (suite == Suite::a083206 && decalage != 0) throw py::value_error("an offset goes with A065205 alone");
    return std::make_unique<Lignes>(debut, fin, decalage, fils, records, std::move(progress), suite);
}

// ---- The divisor-sum family ------------------------------------------------------------

Propriete propriete(const std::string& nom) {
    if (const std::optional<Propriete> p = propriete_de(nom)) return *p;
    std::string noms;
    for (const Propriete q : proprietes) noms += std::string(noms.empty() ? "" : ", ") + std::string(nom_de(q));
    throw py::value_error("unknown property '" + nom + "': " + noms + ", or their A-numbers");
}

py::dict classify(py::handle n, py::object progress) {
    const std::int64_t N = nombre(n);
    Suivi suivi(std::move(progress));
    const Rappels rappels = suivi.rappels();
    Classement c;
    {
        const SansVerrou sans_verrou;
        c = classer(N, {}, rappels);
    }
    suivi.lever(true);
    py::dict d;
    for (const Propriete p : proprietes) d[py::str(std::string(nom_de(p)))] = py::bool_(c[p]);
    d["zumkeller-splits"] = en_python(c.separations);
    d["a065205"] = en_python(c.a);
    return d;
}

// A property over a range, as select() and count_property() take it.
struct Plage {
    Propriete p;
    std::int64_t debut, fin;
    ReglagesFamille r;
};

Plage plage(const std::string& nom, py::handle a, py::handle b, py::handle threads) {
    const Plage x{propriete(nom),
                  entier(a, "a", 1),
                  entier(b, "b", 1),
                  {static_cast<unsigned>(entier(threads, "threads", 0, std::numeric_limits<unsigned>::max()))}};
    if (x.debut > x.fin) throw py::value_error("the range is empty: a is above b");
    return x;
}

py::list choisir(const std::string& nom, py::handle a, py::handle b, py::handle threads, py::object progress) {
    const Plage x = plage(nom, a, b, threads);
    Suivi suivi(std::move(progress));
    const Rappels rappels = suivi.rappels();
    std::vector<std::int64_t> trouves;
    bool fini = false;
    {
        const SansVerrou sans_verrou;
        fini = lister_propriete(
            x.p, x.debut, x.fin, [&](std::int64_t n) { trouves.push_back(n); }, x.r, rappels);
    }
    suivi.lever(fini);
    py::list l;
    for (const std::int64_t n : trouves) l.append(py::int_(n));
    return l;
}

py::int_ count_property(const std::string& nom, py::handle a, py::handle b, py::handle threads, py::object progress) {
    const Plage x = plage(nom, a, b, threads);
    Suivi suivi(std::move(progress));
    const Rappels rappels = suivi.rappels();
    std::optional<std::uint64_t> nombre_;
    {
        const SansVerrou sans_verrou;
        nombre_ = compter_propriete(x.p, x.debut, x.fin, x.r, rappels);
    }
    suivi.lever(nombre_.has_value());
    return py::int_(nombre_.value_or(0));
}

}  // namespace

PYBIND11_MODULE(taverlune, m) {
    m.doc() = R"(Sets of distinct divisors of N whose sum is N, or another target.

a(n) is the number of sets of distinct divisors of n other than n whose sum
is n (OEIS A065205). Every count is exact, a Python int of any size. Numbers
n go from 1 to 2**63 - 1.

Long calls release the interpreter's lock, may report their progress to a
callable, and stop on Ctrl-C (KeyboardInterrupt) or on any exception that
callable raises, every thread of the engine joined. Errors: ValueError for a
wrong argument, MemoryError when no method fits in memory.

    >>> import taverlune
    >>> taverlune.count(12)
    2
    >>> taverlune.distribution(24)
    {3: 1, 4: 2, 5: 1, 6: 1}
    >>> list(taverlune.solutions(12, 10))
    [(1, 2, 3, 4), (1, 3, 6), (4, 6)]
)";
    m.attr("__version__") = version();
    py::options options;
    options.disable_function_signatures();  // each docstring starts with its own, in Python's terms

    static const char* const doc_progress =
        "\n\nthreads: at most this many threads (0: every core); memory: at most this many bytes\n"
        "(0: what the machine and the process's limits leave). progress: None, or a callable\n"
        "called with the share of the work done (a float from 0 to 1, never going back) a few\n"
        "times a second on long counts, and with 1.0 at the end; what it raises stops the\n"
        "count and is raised here.";

    m.def("count", &count, py::arg("n"), py::arg("target") = py::none(), py::kw_only(), py::arg("threads") = 0,
          py::arg("memory") = 0, py::arg("progress") = py::none(),
          (std::string("count(n, target=None, *, threads=0, memory=0, progress=None) -> int\n\n"
                       "The number of sets of distinct divisors of n other than n whose sum is the\n"
                       "target (n by default: a(n)); with a target, over the divisors up to it.\n\n"
                       "    >>> count(12), count(945), count(12, 10)\n"
                       "    (2, 5, 3)") +
           doc_progress)
              .c_str());
    m.def("distribution", &distribution, py::arg("n"), py::arg("target") = py::none(), py::kw_only(),
          py::arg("threads") = 0, py::arg("memory") = 0, py::arg("progress") = py::none(),
          (std::string("distribution(n, target=None, *, threads=0, memory=0, progress=None) -> dict\n\n"
                       "Those sets by number of terms: {terms: count}, the nonzero counts only, terms\n"
                       "ascending. Far dearer than count() alone for large n.\n\n"
                       "    >>> distribution(24)\n"
                       "    {3: 1, 4: 2, 5: 1, 6: 1}") +
           doc_progress)
              .c_str());
    m.def("count_subsets", &count_subsets, py::arg("values"), py::arg("target"), py::kw_only(), py::arg("threads") = 0,
          py::arg("memory") = 0, py::arg("progress") = py::none(),
          (std::string("count_subsets(values, target, *, threads=0, memory=0, progress=None) -> int\n\n"
                       "The number of nonempty subsets of `values` (any iterable of distinct positive\n"
                       "ints, in any order) whose sum is `target`. A repeated value, or one below 1, is\n"
                       "a ValueError.\n\n"
                       "    >>> count_subsets([5, 1, 4, 3, 2], 5)\n"
                       "    3") +
           doc_progress)
              .c_str());
    m.def("divisors", &divisors, py::arg("n"),
          "divisors(n) -> list\n\nThe divisors of n, ascending, n included.\n\n"
          "    >>> divisors(12)\n    [1, 2, 3, 4, 6, 12]");
    m.def("factor", &factor, py::arg("n"),
          "factor(n) -> list\n\nThe prime factorisation of n: [(p, e), ...], primes ascending ([] for 1).\n\n"
          "    >>> factor(720)\n    [(2, 4), (3, 2), (5, 1)]");

    py::class_<Solutions>(m, "Solutions",
                          "The solutions of solutions(), one tuple at a time. Close it (close(), a with\n"
                          "block, or dropping it) to stop a listing before its end.")
        .def("__iter__", [](Solutions& s) -> Solutions& { return s; })
        .def("__next__", &Solutions::suivante, "The next solution, a tuple of ints ascending.")
        .def("close", &Solutions::close, "Stops the listing; the iterator then ends.")
        .def("__enter__", [](Solutions& s) -> Solutions& { return s; })
        .def("__exit__", [](Solutions& s, py::args) { s.close(); });
    m.def(
        "solutions",
        [](py::handle n, py::handle target) {
            const std::int64_t N = nombre(n), S = cible_de(target, N);
            return std::make_unique<Solutions>(N, S);
        },
        py::arg("n"), py::arg("target") = py::none(),
        "solutions(n, target=None) -> Solutions\n\n"
        "A lazy iterator over the sets that count() counts, each a tuple of its divisors\n"
        "ascending, in increasing lexicographic order (the program's own order). The\n"
        "listing runs on a thread a little ahead of what is read, never further: an\n"
        "endless listing is fine, take what you need and close it.\n\n"
        "    >>> list(solutions(12, 10))\n"
        "    [(1, 2, 3, 4), (1, 3, 6), (4, 6)]\n"
        "    >>> import itertools\n"
        "    >>> with solutions(720720) as endless:  # never all listed\n"
        "    ...     [len(s) for s in itertools.islice(endless, 3)]\n"
        "    [218, 219, 219]");

    py::class_<Lignes>(m, "Table", "The lines (n, a(n)) of table() or records(), in order of n.")
        .def("__iter__", [](Lignes& l) -> Lignes& { return l; })
        .def("__next__", &Lignes::suivante, "The next line, (n, a(n)).")
        .def("close", &Lignes::close, "Stops the table's threads; the iterator then ends.")
        .def("__enter__", [](Lignes& l) -> Lignes& { return l; })
        .def("__exit__", [](Lignes& l, py::args) { l.close(); });
    m.def(
        "table",
        [](py::handle a, py::handle b, py::handle offset, py::handle threads, py::object progress,
           const std::string& sequence) { return lignes(a, b, offset, threads, false, std::move(progress), sequence); },
        py::arg("a"), py::arg("b"), py::arg("offset") = 0, py::kw_only(), py::arg("threads") = 0,
        py::arg("progress") = py::none(), py::arg("sequence") = "A065205",
        "table(a, b, offset=0, *, threads=0, progress=None, sequence='A065205') -> Table\n\n"
        "A lazy iterator over (n, a(n)) for n from a to b, 1 <= a <= b <= 2**63 - 1, with\n"
        "the target n + offset (offset may be negative; n + offset past 2**63 - 1 is a\n"
        "ValueError): the lines of `taverlune --table a b --target-offset offset`. The n\n"
        "are computed ahead on `threads` threads (0: every core), started at the first\n"
        "line and stopped when the iterator is closed or dropped. progress: as for\n"
        "count(), with the share of the range computed. sequence='A083206' (or\n"
        "'zumkeller-splits'): (n, f(n)) instead, the splits of the divisors of n, n\n"
        "included, into two sets of equal sum (no offset).\n\n"
        "    >>> list(table(1, 12))[-1], [n for n, a in table(1, 30) if a]\n"
        "    ((12, 2), [6, 12, 18, 20, 24, 28, 30])");
    m.def(
        "records",
        [](py::handle a, py::handle b, py::handle offset, py::handle threads, py::object progress,
           const std::string& sequence) { return lignes(a, b, offset, threads, true, std::move(progress), sequence); },
        py::arg("a"), py::arg("b"), py::arg("offset") = 0, py::kw_only(), py::arg("threads") = 0,
        py::arg("progress") = py::none(), py::arg("sequence") = "A065205",
        "records(a, b, offset=0, *, threads=0, progress=None, sequence='A065205') -> Table\n\n"
        "The lines of table() whose a(n) > 0 is larger than every a(n) before it in the\n"
        "range: `taverlune --table a b --records`.\n\n"
        "    >>> [n for n, a in records(1, 200)]\n"
        "    [6, 12, 24, 36, 48, 60, 120, 180]");

    m.def("classify", &classify, py::arg("n"), py::kw_only(), py::arg("progress") = py::none(),
          "classify(n, *, progress=None) -> dict\n\n"
          "Every property of n, in the order of `taverlune N --classify`: semiperfect,\n"
          "primitive-semiperfect, weird, primitive-weird, zumkeller, practical, abundant,\n"
          "perfect, deficient (bools), then 'zumkeller-splits' (f(n), A083206) and 'a065205'\n"
          "(a(n)), ints.\n\n"
          "    >>> d = classify(70); d['weird'], d['semiperfect'], d['zumkeller-splits']\n"
          "    (True, False, 1)");
    m.def("select", &choisir, py::arg("property"), py::arg("a"), py::arg("b"), py::kw_only(), py::arg("threads") = 0,
          py::arg("progress") = py::none(),
          "select(property, a, b, *, threads=0, progress=None) -> list\n\n"
          "The n from a to b having the property, ascending: `taverlune --list PROPERTY a b`.\n"
          "property: a name of classify()'s, or its A-number ('A006037'), in either case.\n\n"
          "    >>> select('weird', 1, 10000)\n"
          "    [70, 836, 4030, 5830, 7192, 7912, 9272]");
    m.def("count_property", &count_property, py::arg("property"), py::arg("a"), py::arg("b"), py::kw_only(),
          py::arg("threads") = 0, py::arg("progress") = py::none(),
          "count_property(property, a, b, *, threads=0, progress=None) -> int\n\n"
          "How many n from a to b have the property: `taverlune --list PROPERTY a b --count`.\n\n"
          "    >>> count_property('practical', 1, 10**6)\n"
          "    97385");

    // Python's exit may leave these objects undestroyed: their threads are stopped and joined first.
    py::module_::import("atexit").attr("register")(py::cpp_function([] {
        const std::set<Fermable*> tous = vivants();
        for (Fermable* f : tous)
            if (vivants().count(f) != 0) f->close();  // one may have gone while another was closed
        // Those being read in other threads (daemon threads): a second for
        // them to leave __next__, where they close, before the interpreter ends.
        for (int k = 0; k < 100; ++k) {
            const std::set<Fermable*>& restants = vivants();
            if (std::none_of(restants.begin(), restants.end(), [](const Fermable* f) { return f->occupe(); })) break;
            const SansVerrou sans_verrou;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }));
}
