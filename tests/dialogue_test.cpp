// The console dialogue of taverlune, run end to end: the built program is fed
// its answers through a pipe, and its standard output is compared byte for byte
// with the texts it must print. Covers the presentation, the five questions, the
// accepted and refused answers, the re-asking, and the end of the dialogue.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "support/process.h"

namespace {

// ---- Texts of the dialogue ---------------------------------------------------

// The presentation, printed once at start-up, one literal per piece, in order.
constexpr std::array<std::string_view, 17> kPresentation = {
    " \n   POUR MODIFIER LA TAILLE DU TEXTE ET DE LA FENETRE : [TOUCHE CTRL] + [MOLETTE DE LA SOURIS]. ",
    " \n \n \t  *****     TAVERLUNE     (Version B)     ***** ",
    " \n \n \n \t  Etant donne un entier N. ",
    " \n \t  Ce programme permet de trouver toutes les sommes de ses diviseurs (excepte N) egales a N ou a un autre nombre entier choisi. ",
    " \n \n \t  Remarques sur les possibilites et limites du programme : ",
    " \n \n \t  Les nombres sont limites a : (2^63 -1) = 9 223 372 036 854 775 807 ~ 9x10^18. ",
    " \n \n \t  Pour trouver tous les diviseurs de N, le programme utilise sa decomposition en facteurs premiers. ",
    " \n \t  Pour des nombres allants jusqu'a 14 ou 15 chiffres, cette decomposition est rapide. Au-dela, cela depend de la grandeur des facteurs premiers. ",
    " \n \n \t  Une fois les diviseurs trouves, si leur effectif est D, le programme aura 2^D cas a examiner. ",
    " \n \t  Pour D = 30, il faut environ une minute a cette version B, pour compter toutes les solutions (avec N = 720 par exemple). ",
    " \n \n \t  Le temps de calcul est multiplie environ par 2 chaque fois que le nombre de diviseurs augmente de 1. ",
    " \n \t  Le programme est donc limite par ce temps de calcul. ",
    " \n \t  Ce dernier depend de la puissance de l'ordinateur et du nombre d'operations a executer pour arriver au resultat. ",
    " \n \n \t  Cette version B, a l'inverse de la version A, n'est pas 'theoriquement' limitee a 61 diviseurs pour la recherche des sommes. ",
    " \n \t  Un ordinateur suffisamment rapide permettrait d'exploiter cette possibilite. ",
    " \n \n \t  Le programme detecte rapidement certains cas d'impossibilite ou encore les nombres parfaits. ",
    " \n \t  Ceci meme avec des nombres de diviseurs tres importants. ",
};

constexpr std::string_view kQuestionN = "\n \n \n \t Valeur de N ? ";  // 22 characters
constexpr std::string_view kQuestionToutes =  // 71 characters
    "\n \n \t Voulez-vous afficher toutes les solutions  ?  Oui[1] / Non [0] : ";
constexpr std::string_view kQuestionAutreS =  // 100 characters
    "\n \n \t Voulez-vous trouver les solutions pour une somme  S   differente de  N  ?  "
    "Oui[1] / Non [0] : ";
constexpr std::string_view kQuestionS =  // 47 characters
    "\n \n \t Quelle est la valeur de cette somme  S ? ";
constexpr std::string_view kQuestionNouveau =  // 45 characters, ending with a colon and two spaces
    " \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ";

static_assert(kQuestionN.size() == 22);
static_assert(kQuestionToutes.size() == 71);
static_assert(kQuestionAutreS.size() == 100);
static_assert(kQuestionS.size() == 47);
static_assert(kQuestionNouveau.size() == 45 && kQuestionNouveau.ends_with(":  "));

std::string presentation() {
    std::string texte;
    for (std::string_view piece : kPresentation) texte += piece;
    return texte;
}

/// `question` printed `fois` times in a row (a refused answer prints it again).
std::string repete(std::string_view question, int fois) {
    std::string texte;
    for (int k = 0; k < fois; ++k) texte += question;
    return texte;
}

// ---- What a calculation prints -------------------------------------------------

/// Header, list and sum line: the divisors taking part, then N and a full stop
/// when the target is not below N.
std::string diviseurs(const std::string& n, int compte, const std::string& cible,
                      const std::vector<std::string>& liste, bool n_liste,
                      const std::string& somme) {
    std::string texte = "\n \n \t Le nombre  " + n + " a  " + std::to_string(compte) +
                        "  diviseurs inferieurs ou egaux a  " + cible;
    texte += "\n \n \t Ce sont :";
    texte += "  ";
    for (const std::string& d : liste) texte += d + " , ";
    if (n_liste) texte += n + ".";
    return texte + "\n \n \t  Leur somme (a l'exeption de lui meme) est :   " + somme;
}

std::string aucune_solution(const std::string& somme) {
    return "\n \n \t  Il n'y a aucune solution. \n \n \t  la somme devrait-etre inferieure ou "
           "egale a :  " +
           somme;
}

std::string tous_conviennent(bool autre_cible, const std::string& cible) {
    std::string texte = " \n \n \t  La somme de tous les diviseurs propres de N inferieurs ";
    if (autre_cible) texte += " ou egaux ";
    return texte + " a  " + cible + "  convient. \n ";
}

constexpr std::string_view kEnteteSolutions =
    " \n \n \t Les sommes recherchees ont pour termes : \n ";

std::string solution(const std::vector<int>& termes) {
    std::string texte = " \n  \t  ";
    for (std::size_t k = 0; k < termes.size(); ++k)
        texte += (k == 0 ? "" : " || ") + std::to_string(termes[k]);
    return texte + " \n  \t  ";
}

std::string bilan(int ns, const std::string& cible) {
    std::string texte = "\n \n \t Il y a  " + std::to_string(ns) + " sommes egales a  " + cible;
    if (ns != 0) texte += " \n \n \t  Elles se repartissent comme suit : \n ";
    return texte;
}

std::string repartition(int nombre, int termes) {
    return " \n \t  " + std::to_string(nombre) + "   sommes  de  " + std::to_string(termes) +
           "   termes.";
}

/// N = 1, target N: N alone is listed, the sum is 0, no solution.
std::string calcul_un() { return diviseurs("1", 1, "1", {}, true, "0") + aucune_solution("0"); }

/// A prime p, target p: the divisor 1, then p; no solution.
std::string calcul_premier(const std::string& p) {
    return diviseurs(p, 2, p, {"1"}, true, "1") + aucune_solution("1");
}

/// Any N >= 2 with the chosen target 1: the divisor 1 alone takes part and is the answer.
std::string calcul_cible_un(const std::string& n) {
    return diviseurs(n, 1, "1", {"1"}, false, "1") + tous_conviennent(true, "1");
}

/// A negative N (a wrapped answer), target N: the divisor 1, then N; the search
/// finds nothing and the report shows the target with its sign.
std::string calcul_negatif(const std::string& n, bool toutes) {
    return diviseurs(n, 2, n, {"1"}, true, "1") + (toutes ? std::string(kEnteteSolutions) : "") +
           bilan(0, n);
}

/// N = 12, target 12: two solutions, 1 2 3 6 and 2 4 6.
std::string calcul_douze(bool toutes) {
    std::string texte = diviseurs("12", 6, "12", {"1", "2", "3", "4", "6"}, true, "16");
    if (toutes)
        texte += std::string(kEnteteSolutions) + solution({1, 2, 3, 6}) + solution({2, 4, 6});
    return texte + bilan(2, "12") + repartition(1, 3) + repartition(1, 4);
}

// ---- Running the program -------------------------------------------------------

/// The questions of a calculation with the target N, once each.
std::string questions_cible_n() {
    return std::string(kQuestionToutes) + std::string(kQuestionAutreS);
}

/// `mot` with its control characters written as escapes, for the trace of a row.
std::string visible(const std::string& mot) {
    std::string texte;
    for (char c : mot) {
        switch (c) {
            case '\n': texte += "\\n"; break;
            case '\t': texte += "\\t"; break;
            case '\r': texte += "\\r"; break;
            case '\v': texte += "\\v"; break;
            case '\f': texte += "\\f"; break;
            case '\0': texte += "\\0"; break;
            default: texte += c;
        }
    }
    return texte;
}

/// Runs the program with `reponses` on its standard input and checks that it
/// ends normally with status 1 after printing exactly `attendu`.
void verifier(const std::string& reponses, const std::string& attendu,
              essai::Entree entree = essai::Entree::tube) {
    const essai::Execution r = essai::lancer(essai::programme_taverlune(), reponses, entree, 60.0);
    EXPECT_FALSE(r.delai_depasse);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.sortie, attendu);
}

/// The rest of a dialogue once the value `n` has been accepted for N: the answers
/// still to type and the output that follows the question on N. Values >= 2 are
/// shown through the chosen target 1; 1 and negative values through the target N.
struct Suite {
    std::string reponses;
    std::string sortie;
};

Suite suite_pour(const std::string& n) {
    const std::string fin(kQuestionNouveau);
    if (n == "1") return {"0\n0\n0\n", questions_cible_n() + calcul_un() + fin};
    if (n[0] == '-') return {"0\n0\n0\n", questions_cible_n() + calcul_negatif(n, false) + fin};
    return {"0\n1\n1\n0\n",
            questions_cible_n() + std::string(kQuestionS) + calcul_cible_un(n) + fin};
}

/// An answer typed at the question on N, and the value it gives N ("" when refused;
/// the answer 7 then follows it).
struct Row {
    std::string tape;
    std::string valeur;
};

void verifier_question_n(const Row& row) {
    SCOPED_TRACE("answer to the question on N: '" + visible(row.tape) + "'");
    const bool refuse = row.valeur.empty();
    const Suite suite = suite_pour(refuse ? "7" : row.valeur);
    verifier(row.tape + "\n" + (refuse ? "7\n" : "") + suite.reponses,
             presentation() + repete(kQuestionN, refuse ? 2 : 1) + suite.sortie);
}

// ---- Integer answers -------------------------------------------------------------

TEST(IntegerAnswer, OnlyPlainDecimalsWithoutLeadingZeroAreAccepted) {
    const Row rows[] = {
        {"0", ""},    {"7", "7"},   {"+7", "7"},   {"120", "120"}, {"+120", "120"},
        {"00", ""},   {"01", ""},   {"007", ""},   {"+0", ""},     {"+05", ""},
        {"+", ""},    {"-", ""},    {"-5", ""},    {"-0", ""},     {"1+2", ""},
        {"5-", ""},   {"++1", ""},  {"+-1", ""},   {"12a", ""},    {"a12", ""},
        {"12.5", ""}, {"1e3", ""},  {"1", "1"},    {"+13", "13"},
    };
    for (const Row& row : rows) verifier_question_n(row);
}

TEST(IntegerAnswer, ValuesBeyondTheLimitWrapModulo2To64) {
    const Row rows[] = {
        {"9223372036854775807", "9223372036854775807"},   // 2^63 - 1
        {"9223372036854775808", "-9223372036854775808"},  // 2^63
        {"18446744073709551615", "-1"},                   // 2^64 - 1
        {"18446744073709551616", ""},                     // 2^64: value 0, refused
        {"18446744073709551617", "1"},                    // 2^64 + 1
    };
    for (const Row& row : rows) verifier_question_n(row);
}

TEST(IntegerAnswer, WrappedNegativeNWithEverySolutionShownPrintsTheHeaderAlone) {
    verifier("18446744073709551615\n1\n0\n0\n",
             presentation() + std::string(kQuestionN) + questions_cible_n() +
                 calcul_negatif("-1", true) + std::string(kQuestionNouveau));
}

TEST(IntegerAnswer, WrappedNegativeTargetCutsEveryDivisor) {
    // N = 12 with S typed as 2^64 - 1, that is -1: no divisor is at most the target.
    verifier("12\n0\n1\n18446744073709551615\n0\n",
             presentation() + std::string(kQuestionN) + questions_cible_n() +
                 std::string(kQuestionS) + diviseurs("12", 0, "-1", {}, false, "0") +
                 bilan(0, "-1") + std::string(kQuestionNouveau));
}

TEST(IntegerAnswer, LongWordsAreRefusedWholeAboveTheBufferSize) {
    // 10^k + 7 is 7 modulo 2^64 for every k >= 64, so an examined word gives N = 7.
    // `debut` then zeros then 7, `longueur` characters in all.
    const auto dix_puissance_plus_7 = [](std::string_view debut, std::size_t longueur) {
        std::string mot(longueur, '0');
        mot.replace(0, debut.size(), debut);
        mot.back() = '7';
        return mot;
    };
    const Row rows[] = {
        {dix_puissance_plus_7("1", 199), "7"},
        {dix_puissance_plus_7("+1", 199), "7"},  // the sign counts as a character
        {dix_puissance_plus_7("1", 200), ""},
        {dix_puissance_plus_7("+1", 200), ""},
        {std::string(1000, '1'), ""},
        {std::string(450, 'x'), ""},
    };
    for (const Row& row : rows) verifier_question_n(row);
}

TEST(IntegerAnswer, AWordEndsAtItsFirstNulByte) {
    using namespace std::string_literals;
    const Row rows[] = {
        {"\0"s, ""},  // no word: asked again
        {"\0abc"s, ""},
        {"7\0abc"s, "7"},
        {"7\0"s + std::string(300, 'x'), "7"},  // one character long once cut at the NUL
    };
    for (const Row& row : rows) verifier_question_n(row);
}

// ---- Yes/no answers ----------------------------------------------------------------

struct OuiNonRow {
    std::string tape;
    int valeur;  ///< 0 or 1 when accepted, -1 when refused (the answer 0 then follows)
};

const OuiNonRow kOuiNonRows[] = {
    {"0", 0},   {"1", 1},   {"2", -1},  {"o", -1},  {"n", -1},  {"oui", -1}, {"00", -1},
    {"01", -1}, {"10", -1}, {"11", -1}, {"+1", -1}, {"-0", -1}, {"1.", -1},
};

TEST(YesNoAnswer, AtTheQuestionOnPrintingEverySolution) {
    for (const OuiNonRow& row : kOuiNonRows) {
        SCOPED_TRACE("answer '" + visible(row.tape) + "'");
        const bool refuse = row.valeur < 0;
        verifier("12\n" + row.tape + "\n" + (refuse ? "0\n" : "") + "0\n0\n",
                 presentation() + std::string(kQuestionN) +
                     repete(kQuestionToutes, refuse ? 2 : 1) + std::string(kQuestionAutreS) +
                     calcul_douze(row.valeur == 1) + std::string(kQuestionNouveau));
    }
}

TEST(YesNoAnswer, AtTheNewCalculationQuestion) {
    const std::string premier =
        presentation() + std::string(kQuestionN) + questions_cible_n() + calcul_premier("13");
    for (const OuiNonRow& row : kOuiNonRows) {
        SCOPED_TRACE("answer '" + visible(row.tape) + "'");
        const bool refuse = row.valeur < 0;
        std::string reponses = "13\n0\n0\n" + row.tape + "\n" + (refuse ? "0\n" : "");
        std::string attendu = premier + repete(kQuestionNouveau, refuse ? 2 : 1);
        if (row.valeur == 1) {
            reponses += "1\n0\n0\n0\n";
            attendu += std::string(kQuestionN) + questions_cible_n() + calcul_un() +
                       std::string(kQuestionNouveau);
        }
        verifier(reponses, attendu);
    }
}

// ---- Words, blanks and lines ---------------------------------------------------------

TEST(Words, AreTakenInTurnAndBlankLinesAreNoAnswer) {
    struct WordsRow {
        std::string tape;  ///< typed before the rest of the dialogue; N ends as 13
        int questions_n;   ///< times the question on N is printed
    };
    const WordsRow rows[] = {
        {"x 13", 2},           {"x\ty 13", 3},          {"a b c 13", 4},
        {"\n\n13", 1},         {"   \t \n\t\n  13", 1},  {"\r\n\v\f 13\r", 1},
        {"\n \nx\n\n13", 2},
    };
    for (const WordsRow& row : rows) {
        SCOPED_TRACE("typed before the other answers: '" + visible(row.tape) + "'");
        verifier(row.tape + "\n0\n0\n0\n",
                 presentation() + repete(kQuestionN, row.questions_n) + questions_cible_n() +
                     calcul_premier("13") + std::string(kQuestionNouveau));
    }
}

TEST(Words, AWholeDialogueOnOneLine) {
    verifier("12 1 0 0\n", presentation() + std::string(kQuestionN) + questions_cible_n() +
                               calcul_douze(true) + std::string(kQuestionNouveau));
}

// ---- The question on S ------------------------------------------------------------------

TEST(QuestionS, IsAskedAgainWhileTheValueEqualsN) {
    struct SRow {
        std::string tape;  ///< answers to the question on S, N being 12; the last is 1
        int questions_s;
    };
    const SRow rows[] = {
        {"1", 1},
        {"12 1", 2},
        {"12\n12\n+12\n1", 4},
        {"0 -1 x 12 +1", 5},
    };
    for (const SRow& row : rows) {
        SCOPED_TRACE("answers to the question on S: '" + visible(row.tape) + "'");
        verifier("12\n0\n1\n" + row.tape + "\n0\n",
                 presentation() + std::string(kQuestionN) + questions_cible_n() +
                     repete(kQuestionS, row.questions_s) + calcul_cible_un("12") +
                     std::string(kQuestionNouveau));
    }
}

// ---- Calculations in a row -----------------------------------------------------------------

TEST(Driver, ASecondCalculationDoesNotRepeatThePresentation) {
    const std::string un_calcul = std::string(kQuestionN) + questions_cible_n() +
                                  calcul_premier("13") + std::string(kQuestionNouveau);
    verifier("13\n0\n0\n1\n13\n0\n0\n1\n1\n0\n0\n0\n",
             presentation() + un_calcul + un_calcul + std::string(kQuestionN) +
                 questions_cible_n() + calcul_un() + std::string(kQuestionNouveau));
}

// ---- End of input --------------------------------------------------------------------------

TEST(EndOfInput, EndsTheProgramRightAfterTheWaitingQuestion) {
    const std::string n(kQuestionN), toutes(kQuestionToutes), autre(kQuestionAutreS),
        s(kQuestionS), nouveau(kQuestionNouveau);
    struct FinRow {
        std::string tape;
        std::string apres_presentation;
    };
    const FinRow rows[] = {
        {"", n},
        {"  \n\t\n", n},
        {"x\n", n + n},
        {"13\n", n + toutes},
        {"13\n0\n", n + toutes + autre},
        {"13\n0\n1\n", n + toutes + autre + s},
        {"13\n0\n1\n13\n", n + toutes + autre + s + s},
        {"13\n0\n0\n", n + toutes + autre + calcul_premier("13") + nouveau},
        {"13\n0\n0\n2\n", n + toutes + autre + calcul_premier("13") + nouveau + nouveau},
        {"13\n0\n0\n1\n", n + toutes + autre + calcul_premier("13") + nouveau + n},
    };
    for (const FinRow& row : rows) {
        SCOPED_TRACE("answers before the end of input: '" + visible(row.tape) + "'");
        verifier(row.tape, presentation() + row.apres_presentation);
    }
}

TEST(EndOfInput, ARegularFileIsSkippedAtTheFirstQuestion) {
    const std::string reponses = "13\n0\n0\n0\n";
    verifier(reponses, presentation() + std::string(kQuestionN), essai::Entree::fichier);
    // The same answers through a pipe: nothing already typed is discarded.
    verifier(reponses, presentation() + std::string(kQuestionN) + questions_cible_n() +
                           calcul_premier("13") + std::string(kQuestionNouveau));
}

}  // namespace
