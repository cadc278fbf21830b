// The console dialogue, end to end through a pipe: the accepted and refused
// answers, the words of a line and their separators, the re-asking, a second
// calculation and the end of input, each output compared byte for byte.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/oracle.h"
#include "support/process.h"

using namespace taverlune;

namespace {

using namespace std::string_literals;
using namespace essai;
using Lignes = std::vector<std::pair<std::string, std::string>>;

/// Each line typed gives exactly its output after the presentation.
void verifier_lignes(const Lignes& rows) {
    for (const auto& [tape, attendu] : rows) {
        SCOPED_TRACE("typed: '" + visible(tape) + "'");
        verifier(tape, presentation() + attendu);
    }
}

TEST(IntegerAnswer, Table) {
    // A word typed at the question on N, and the value N takes: 0 when refused
    // (7 is then typed). Values >= 2 are shown through the chosen target 1.
    std::vector<std::pair<std::string, Integer>> rows = {
        {"0", 0},    {"7", 7},     {"+7", 7},    {"120", 120}, {"+120", 120}, {"00", 0},  {"01", 0},  {"007", 0},
        {"+0", 0},   {"+05", 0},   {"+", 0},     {"-", 0},     {"-5", 0},     {"-0", 0},  {"1+2", 0}, {"5-", 0},
        {"++1", 0},  {"+-1", 0},   {"12a", 0},   {"a12", 0},   {"12.5", 0},   {"1e3", 0}, {"1", 1},   {"+13", 13},
        // Beyond the limit, modulo 2^64 read as signed; 2^64 gives 0, refused.
        {"9223372036854775807", INT64_MAX}, {"9223372036854775808", INT64_MIN}, {"18446744073709551615", -1},
        {"18446744073709551616", 0}, {"18446744073709551617", 1}, {"18446744073709551616000000000000000013", 13},
        // Up to 199 characters are examined, sign included; 10^k + 7 is 7 modulo 2^64.
        {std::string("1").append(197, '0') + "7", 7}, {std::string("+1").append(196, '0') + "7", 7},
        {std::string("1").append(198, '0') + "7", 0}, {std::string("+1").append(197, '0') + "7", 0},
        {std::string(1000, '1'), 0}, {std::string(450, 'x'), 0},
        // A word ends at its first NUL byte.
        {"\0"s, 0}, {"\0abc"s, 0}, {"\00013"s, 0}, {"7\0abc"s, 7}, {"13\00099"s, 13}, {"7\0"s + std::string(300, 'x'), 7}};
    // Control characters and bytes above 127 are ordinary characters: refused.
    for (const char* m : {"\xc3\xa9", "\xff", "\x80", "\xa0", "\x85", "\xef\xbc\x91", "\xe2\x80\x83", "\x1c", "\x1f",
                          "\x7f", "\x08", "\x1b", "\x01"})
        for (const std::string& mot : {std::string(m), std::string("13").append(m), std::string(m).append("13")})
            rows.push_back({mot, 0});
    for (const auto& [tape, valeur] : rows) {
        const Integer v = valeur == 0 ? 7 : valeur;
        const std::string suite = v >= 2 ? kToutes + kAutre + kS + calcul_attendu(v, {1}, false, 1)
                                         : kToutes + kAutre + calcul_attendu(v, propres(v), false, {});
        verifier_lignes({{tape + "\n" + (valeur == 0 ? "7\n" : "") + (v >= 2 ? "0 1 1 0\n" : "0 0 0\n"),
                          repete(kN, valeur == 0 ? 2 : 1) + suite + kNouveau}});
    }
}

TEST(YesNoAnswer, AtThePrintingQuestionAndTheNewCalculationQuestion) {
    // The answer typed, and its value: 0 or 1, or -1 when refused (0 is then typed).
    const std::pair<std::string, int> rows[] = {
        {"0", 0},   {"1", 1},   {"2", -1},  {"o", -1},  {"n", -1},    {"oui", -1},      {"00", -1},      {"01", -1},
        {"10", -1}, {"11", -1}, {"+1", -1}, {"-0", -1}, {"1.", -1},   {"\xff", -1},     {"\x01", -1},    {"0\xb9", -1},
        {"\xc3\xa9", -1}, {"1\0junk"s, 1}, {"\0"s "1", -1}};
    const Echange treize = echange(13, false), un = echange(1, false);
    for (const auto& [tape, valeur] : rows) {
        const std::string refus = valeur < 0 ? "0\n" : "";
        verifier_lignes({{"12\n" + tape + "\n" + refus + "0\n0\n",
                          kN + repete(kToutes, valeur < 0 ? 2 : 1) + echange(12, valeur == 1).sortie.substr(kToutes.size())},
                         {treize.reponses + tape + "\n" + refus + (valeur == 1 ? un.reponses + "0\n" : ""),
                          kN + treize.sortie + (valeur < 0 ? kNouveau : "") + (valeur == 1 ? kN + un.sortie : "")}});
    }
}

TEST(Words, AreTakenInTurnWhateverTheSeparators) {
    const Echange treize = echange(13, false), douze = echange(12, true), rien = echange(12, false),
                  un = echange(12, false, 1);
    const std::string deux = kN + douze.sortie + kN + echange(13, false, 5).sortie;
    const std::string avant_un = kN + kToutes + kAutre + kS + un.sortie.substr(kToutes.size() + kAutre.size());
    const auto avant_13 = [&](const std::string& tape, std::size_t questions) {
        return std::pair{tape + "\n0\n0\n0\n", repete(kN, questions) + treize.sortie};
    };
    verifier_lignes({
        {"12 1 0 0\n", kN + douze.sortie},  // a whole dialogue on one line
        avant_13("x 13", 2), avant_13("x\ty 13", 3), avant_13("a b c 13", 4), avant_13("\n\n13", 1),
        avant_13("   \t \n\t\n  13", 1), avant_13("\r\n\v\f 13\r", 1), avant_13("\n \nx\n\n13", 2),
        // Carriage returns, tabs, vertical tabs and form feeds separate words.
        {"12 1 0 1 13 0 1 5 0", deux}, {"12\r\n1\r\n0\r\n1\r\n13\r\n0\r\n1\r\n5\r\n0\r\n", deux},
        {"\r\n\r\n12\r\n\r\n1\r0\r1\r\n13\r\n0\r\n1\r\n5\r\n0", deux}, {"12\t1\t0\t1\t13\t0\t1\t5\t0", deux},
        {"12\v1\v0\v1\v13\v0\v1\v5\v0\v", deux}, {"12\f1\f0\f1\f13\f0\f1\f5\f0\f", deux},
        {" \t\v\f\r\n12 \t\v\f\r\n1\r\v0\f\t1\n\n\n13\v\v0\f\f1\t\t5\r\r0 \t\v\f\r\n", deux},
        // NUL bytes and bytes above 127 at the later questions.
        {"12 0 0\0\0 0\n"s, kN + rien.sortie},
        {"12 0 \0 0 0\n"s, kN + kToutes + kAutre + rien.sortie.substr(kToutes.size())},
        {"12 0 1 1\0002 0\n"s, kN + un.sortie}, {"12 0 1 \0001 1 0\n"s, avant_un}, {"12 0 1 \xb9 1 0\n", avant_un},
        {"13 0 0 0\0001\n"s, kN + treize.sortie}, {"13 0 0 1\0\n13 0 0 0"s, kN + treize.sortie + kN + treize.sortie},
        {"13 0 0 0\xff 0\n", kN + treize.sortie + kNouveau}, {"13 0 \0\0"s, kN + kToutes + kAutre + kAutre},
    });
}

TEST(QuestionS, IsAskedAgainWhileTheValueEqualsN) {
    const auto s_un = [](const std::string& tape, std::size_t questions) {  // N = 12, the last S typed is 1
        return std::pair{"12 0 1\n" + tape + "\n0\n",
                         kN + kToutes + kAutre + repete(kS, questions) + calcul_attendu(12, propres(12), false, 1) + kNouveau};
    };
    verifier_lignes({s_un("1", 1), s_un("12 1", 2), s_un("12\n12\n+12\n1", 4), s_un("0 -1 x 12 +1", 5)});
    // A second calculation does not repeat the presentation.
    const Echange s = session({echange(13, false), echange(13, false), echange(1, false)});
    verifier(s.reponses, s.sortie);
}

TEST(EndOfInput, EndsTheProgramRightAfterTheWaitingQuestion) {
    const std::string treize = echange(13, false).sortie;
    verifier_lignes({{"", kN}, {"  \n\t\n", kN}, {"x\n", kN + kN}, {"13\n", kN + kToutes},
                     {"13\n0\n", kN + kToutes + kAutre}, {"13\n0\n1\n", kN + kToutes + kAutre + kS},
                     {"13\n0\n1\n13\n", kN + kToutes + kAutre + kS + kS}, {"13\n0\n0\n", kN + treize},
                     {"13\n0\n0\n2\n", kN + treize + kNouveau}, {"13\n0\n0\n1\n", kN + treize + kN}});
}

TEST(EndOfInput, ARegularFileIsSkippedAtTheFirstQuestionAPipeIsNot) {
    const Echange treize = echange(13, false);
    const std::string fichier = ::testing::TempDir() + "taverlune-reponses";
    std::ofstream(fichier) << treize.reponses << "0\n";
    const Execution e = executer({.entree = {Flux::fichier, fichier.c_str(), O_RDONLY}});
    std::remove(fichier.c_str());
    verifier_fin_normale(e);
    EXPECT_EQ(e.sortie, presentation() + kN);
    verifier(treize.reponses + "0\n", presentation() + kN + treize.sortie);
}

}  // namespace
