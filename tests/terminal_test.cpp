// The program in a real terminal: tmux runs it in a window of 80 columns, and
// what the window shows is compared line by line. Also the text of the
// progress line alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <optional>
#include <sstream>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "console/progress.h"
#include "support/oracle.h"
#include "support/process.h"

namespace {

using namespace essai;

std::string cite(const std::string& texte) {  // for sh, between single quotes
    std::string r = "'";
    for (const char c : texte) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

std::vector<std::string> lignes(const std::string& ecran) {
    std::vector<std::string> r;
    for (std::istringstream flux(ecran); r.emplace_back(), std::getline(flux, r.back());) {}
    r.pop_back();
    return r;
}

/// A tmux server of our own running `commande` with sh in a window of 80 x 24,
/// kept open once it has ended (by a `cat` reading the terminal) until the
/// server is killed.
class Fenetre {
public:
    explicit Fenetre(const std::string& commande) {
        static int numero = 0;
        tmux_ = "env -u TMUX -u LANGUAGE LC_ALL=C SHELL=/bin/sh tmux -f /dev/null -L taverlune-" + std::to_string(::getpid()) + "-" +
                std::to_string(++numero) + " ";
        std::system((tmux_ + "new-session -d -x 80 -y 24 " + cite(commande + "; echo statut=$?; exec cat")).c_str());
    }
    ~Fenetre() { std::system((tmux_ + "kill-server").c_str()); }
    /// The window's lines; with its history, every line that went up out of it.
    std::string ecran(bool historique = true) const {
        std::string r;
        FILE* f = ::popen((tmux_ + "capture-pane -p" + (historique ? " -S -" : "")).c_str(), "r");
        for (int c; (c = std::fgetc(f)) != EOF;) r += static_cast<char>(c);
        ::pclose(f);
        return r;
    }
    bool fini() const { return ecran(false).find("statut=") != std::string::npos; }
    /// Waits for `texte` in the window, looking every `ms` milliseconds;
    /// false once the command has ended without it, or past ten minutes (a
    /// guard, not a measure).
    bool attendre(const std::string& texte, int ms = 100) const {
        const auto garde = std::chrono::steady_clock::now() + std::chrono::minutes(10);
        for (; std::chrono::steady_clock::now() < garde; std::this_thread::sleep_for(std::chrono::milliseconds(ms))) {
            const std::string e = ecran(false);
            if (e.find(texte) != std::string::npos) return true;
            if (e.find("statut=") != std::string::npos) return false;
        }
        return false;
    }
    void touches(const std::string& t) const { std::system((tmux_ + "send-keys " + t).c_str()); }

private:
    std::string tmux_;
};

bool tmux_absent() { return std::system("tmux -V >/dev/null 2>&1") != 0; }

std::string tube(const std::string& reponses, const std::string& suite = "") {
    return "printf " + cite(reponses + "\n") + " | " + programme_taverlune() + suite;
}

const std::string kSomme = "          Leur somme (a l'exeption de lui meme) est :   ";  // " \t  Leur..." on screen

TEST(Screen, TheProgressLineLeavesEveryLineOfTheScreenAsItWas) {
    if (tmux_absent()) GTEST_SKIP() << "tmux is not installed";
    // 153600 divisors and the target 16000: a count of seconds whose line of
    // results is still open when it starts. The program is stopped as soon
    // as that line is on the screen, and held past the second after which
    // its progress shows (its own clock runs on): it shows however fast the
    // machine, under the open line, until the count ends.
    const std::string pid = ::testing::TempDir() + "taverlune-pid-" + std::to_string(::getpid());
    const std::string reponses = "8976124847866176000 0 1 16000 0";
    const Fenetre avec("printf " + cite(reponses + "\n") + " | sh -c " +
                       cite("echo $$ > " + pid + "; exec " + programme_taverlune())),
        sans(tube(reponses, " 2>/dev/null"));
    ASSERT_TRUE(avec.attendre(kSomme, 5));
    const auto vue_de_la_somme = std::chrono::steady_clock::now();  // the search had started
    pid_t programme = 0;
    ASSERT_TRUE(std::ifstream(pid) >> programme);
    ::kill(programme, SIGSTOP);
    // What the program waits for is time on its own clock: held until its
    // threshold has passed since the search started, whatever the machine.
    std::this_thread::sleep_until(vue_de_la_somme + std::chrono::duration<double>(secondes_avant_progres));
    ::kill(programme, SIGCONT);
    ASSERT_TRUE(avec.attendre("search: ", 5));
    const std::vector<std::string> l = lignes(avec.ecran(false));
    const auto vue = std::find_if(l.begin(), l.end(), [](const auto& x) { return x.starts_with("search: "); });
    ASSERT_TRUE(vue != l.begin() && vue != l.end());
    EXPECT_TRUE(vue[-1].starts_with(kSomme) && vue->size() < 80) << vue[-1] << '\n' << *vue;
    ASSERT_TRUE(avec.attendre("statut=1") && sans.attendre("statut=1"));
    // Every line of the window and of its history, as without the progress.
    const std::string ecran = avec.ecran();
    EXPECT_TRUE(meme_sortie(ecran, sans.ecran()));
    const std::vector<std::string> fin = lignes(ecran);
    const auto somme = std::find_if(fin.begin(), fin.end(), [](const auto& x) { return x.starts_with(kSomme); });
    ASSERT_TRUE(fin.end() - somme > 2);
    EXPECT_TRUE(somme[1].empty() && somme[2].starts_with("         Il y a  ")) << somme[2];
    std::remove(pid.c_str());
}

TEST(Screen, CtrlCOrSigtermDuringASearchErasesTheProgressAndEndsByTheSignal) {
    if (tmux_absent()) GTEST_SKIP() << "tmux is not installed";
    // A listing of every solution for a target next to N, sent to /dev/null:
    // endless, its progress on a line of its own. A search that cannot end,
    // on the window: its warning and its progress below the line of results.
    const std::string pid = ::testing::TempDir() + "taverlune-pid-" + std::to_string(::getpid());
    const struct {
        std::string commande;
        int statut;
        bool sous_la_somme;
    } cas[] = {
        {"trap : INT; " + tube("8976124847866176000 1 1 8976124847866175999 0", " >/dev/null"), 130, false},
        {tube("963761198400 0 0 0", " & echo $! > " + pid + "; wait $! 2>/dev/null"), 143, true},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.statut);
        const Fenetre f(c.commande);
        ASSERT_TRUE(f.attendre("search: "));
        pid_t programme = 0;
        if (c.statut == 130) f.touches("C-c");
        else if (std::ifstream(pid) >> programme) ::kill(programme, SIGTERM);
        ASSERT_TRUE(f.attendre("statut="));
        const std::vector<std::string> l = lignes(f.ecran());
        const auto message = std::find(l.begin(), l.end(), "taverlune: calculation interrupted");
        ASSERT_TRUE(message != l.end() && message + 1 != l.end());
        EXPECT_EQ(message[1], "statut=" + std::to_string(c.statut));
        // Under the results, whole, or in place of the progress and of ^C.
        const auto somme = std::find_if(l.begin(), message, [](const std::string& x) { return x.starts_with(kSomme); });
        const std::vector<Integer> d = propres(963761198400);  // the sum, whole at the end of its line
        const std::string sigma = std::to_string(std::accumulate(d.begin(), d.end(), Integer{0}));
        EXPECT_TRUE(c.sous_la_somme ? somme != message && *somme == kSomme + sigma : message == l.begin());
        EXPECT_EQ(f.ecran().find("search: "), std::string::npos);
    }
    std::remove(pid.c_str());
}

TEST(ProgressLine, ShareTimeLeftTimeSpentSolutionsCutToTheWidth) {
    // The share done, the seconds spent, the solutions, the terminal's width, the line.
    const std::tuple<double, double, std::optional<std::uint64_t>, std::size_t, const char*> cas[] = {
        {0.5, 3.2, 1127710, 80, "search:  50.000 %, about 3 s left, 3 s spent, 1127710 solutions"},
        {0.25, 125, {}, 80, "search:  25.000 %, about 6 min 15 s left, 2 min 05 s spent"},
        {0.1, 7200, 0, 80, "search:  10.000 %, about 18 h 00 min left, 2 h 00 min spent, 0 solutions"},
        {0.01, 86400, {}, 80, "search:   1.000 %, about 99 days left, 24 h 00 min spent"},
        {1e-9, 60, {}, 80, "search:   0.000 %, more than a year left, 1 min 00 s spent"},
        {0.5, 365 * 86400, {}, 80, "search:  50.000 %, more than a year left, more than a year spent"},
        {0, 5, 7, 80, "search:   0.000 %, 5 s spent, 7 solutions"},
        {0.5, 3, 7, 40, "search:  50.000 %, about 3 s left"},
        {0.5, 3, 7, 10, "search:  "},
    };
    for (const auto& [part, secondes, solutions, largeur, attendu] : cas)
        EXPECT_EQ(ligne_avancement(part, secondes, solutions, largeur), attendu);
}

}  // namespace
