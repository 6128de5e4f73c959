// CScanner and CTokenizer: the documented token sequences, and a randomized
// run over tens of thousands of texts that checks the in-place promises (the
// text comes back whole, tokens lie inside it, nothing is written outside).
#include "library/CFUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Reaches the protected membership test.
struct ProbeScanner : CScanner
{
    using CScanner::charInStr;
};

// Collects tokens and the delimiter that ended each, as "token|d" with d the
// delimiter or '0' for NUL.
std::vector<std::string> Tokens(CTokenizer& tokenizer, const char* delimiters, int count)
{
    std::vector<std::string> tokens;
    for (int i = 0; i < count; ++i) {
        std::string token = tokenizer.next(delimiters);
        char d = tokenizer.lastDelimiter();
        tokens.push_back(token + "|" + (d ? d : '0'));
    }
    return tokens;
}

using Seq = std::vector<std::string>;

TEST(Scanner, StepsStopAtStopCharactersTheEndAndTheStart)
{
    char text[] = "ab;c";
    CScanner scanner;
    EXPECT_STREQ("", scanner.current());
    scanner.restart(text, ";");
    EXPECT_EQ(text, scanner++);
    EXPECT_EQ(text + 1, scanner++);
    EXPECT_EQ(text + 2, scanner++);   // at the ';': no step
    EXPECT_EQ(text + 2, scanner++);
    EXPECT_EQ(text + 2, scanner--);
    EXPECT_EQ(text + 1, scanner--);
    EXPECT_EQ(text, scanner--);
    EXPECT_EQ(text, scanner.current());   // at the start: no step

    scanner = text + 3;   // stop characters kept
    EXPECT_EQ(text + 3, scanner++);
    EXPECT_EQ(text + 4, scanner++);   // at the NUL: no step
    EXPECT_EQ(text + 4, scanner.current());
    EXPECT_EQ(text + 4, scanner--);
    EXPECT_EQ(text + 3, scanner.current());   // the start is the new text

    scanner = NULL;
    EXPECT_STREQ("", scanner.current());
    EXPECT_EQ(scanner.current(), scanner++);
    EXPECT_EQ(scanner.current(), scanner--);
}

TEST(Scanner, CharInStr)
{
    ProbeScanner scanner;
    EXPECT_EQ(TRUE, scanner.charInStr('b', "abc"));
    EXPECT_EQ(FALSE, scanner.charInStr('d', "abc"));
    EXPECT_EQ(FALSE, scanner.charInStr('\0', "abc"));
    EXPECT_EQ(FALSE, scanner.charInStr('a', NULL));
    EXPECT_EQ(FALSE, scanner.charInStr('a', ""));
}

TEST(Tokenizer, NullAndEmptyTextsGiveEmptyTokens)
{
    CTokenizer none(NULL, " ", ";");
    const char* token = none.next(",");
    ASSERT_NE(nullptr, token);
    EXPECT_STREQ("", token);
    EXPECT_EQ('\0', none.lastDelimiter());
    EXPECT_STREQ("", none.nextBetween("\""));

    CTokenizer unbound;
    EXPECT_STREQ("", unbound.next(","));
    unbound.terminate();
}

TEST(Tokenizer, ConstructionSkipsLeadingSkipCharacters)
{
    char text[] = "  \tabc";
    CTokenizer tokenizer(text, " \t", NULL);
    EXPECT_EQ(text + 3, tokenizer.current());
    CTokenizer noSkip(text, NULL, NULL);
    EXPECT_EQ(text, noSkip.current());
}

TEST(Tokenizer, DocumentedSequences)
{
    char commas[] = "a , , b";
    CTokenizer empties(commas, " ", NULL);
    EXPECT_EQ((Seq{"a|,", "|,", "b|0", "|0", "|0"}), Tokens(empties, ",", 5));

    char blanks[] = "a   b";
    CTokenizer runs(blanks, " ", NULL);
    EXPECT_EQ((Seq{"a| ", "b|0", "|0"}), Tokens(runs, " ", 3));

    char inner[] = "a b,c";
    CTokenizer kept(inner, " ", NULL);
    EXPECT_EQ((Seq{"a b|,", "c|0"}), Tokens(kept, ",", 2));

    char trimmed[] = " \t x y \t, z";
    CTokenizer trim(trimmed, " \t", NULL);
    EXPECT_EQ((Seq{"x y|,", "z|0"}), Tokens(trim, ",", 2));

    char noDelimiters[] = " a,b;c";
    CTokenizer whole(noDelimiters, " ", ";");
    EXPECT_EQ((Seq{"a,b|;", "|;"}), Tokens(whole, NULL, 2));
}

TEST(Tokenizer, StopCharacterEndsTheTextUntilTerminate)
{
    char text[] = "a,b;c,d";
    {
        CTokenizer tokenizer(text, NULL, ";");
        EXPECT_EQ((Seq{"a|,", "b|;", "|;", "|;"}), Tokens(tokenizer, ",", 4));
        EXPECT_EQ('\0', text[3]);   // the stop character's place holds the NUL
        tokenizer.terminate();
        EXPECT_STREQ("a,b;c,d", text);
        tokenizer.terminate();
        EXPECT_STREQ("a,b;c,d", text);
        EXPECT_STREQ("", tokenizer.next(","));
    }
    EXPECT_STREQ("a,b;c,d", text);   // the destructor put it back
}

TEST(Tokenizer, NextBetweenKeepsWhatTheDelimitersEnclose)
{
    char text[] = "  \"a b \" x";
    CTokenizer tokenizer(text, " ", NULL);
    EXPECT_STREQ("a b ", tokenizer.nextBetween("\""));
    EXPECT_EQ('"', tokenizer.lastDelimiter());
    EXPECT_STREQ("x", tokenizer.nextBetween("\""));
    EXPECT_EQ('\0', tokenizer.lastDelimiter());
    EXPECT_STREQ("", tokenizer.nextBetween("\""));

    char open[] = " abc\"def\"";
    tokenizer.restart(open, " ", NULL);
    EXPECT_STREQ("  \"a b \" x", text);   // the previous text is whole again
    EXPECT_STREQ("abc", tokenizer.nextBetween("\""));
    EXPECT_STREQ("def", tokenizer.nextBetween("\""));

    char stopped[] = "\"a;b\"";
    tokenizer.restart(stopped, NULL, ";");
    EXPECT_STREQ("a", tokenizer.nextBetween("\""));
    EXPECT_EQ(';', tokenizer.lastDelimiter());
    EXPECT_STREQ("", tokenizer.nextBetween("\""));
}

TEST(Tokenizer, ChangeSkipCharsAppliesToTheNextSearch)
{
    char text[] = "a, b,  c";
    CTokenizer tokenizer(text, NULL, NULL);
    EXPECT_STREQ("a", tokenizer.next(","));
    EXPECT_STREQ(" b", tokenizer.next(","));
    tokenizer.changeSkipChars(" ");
    EXPECT_STREQ("c", tokenizer.next(","));
}

/////////////////////////////////////////////////////////////////////////////
// Randomized promises

const char kPoison = '\xbd';
const size_t kGuard = 16;

// A text between guard bytes, with its original kept for comparison.
class GuardedText
{
public:
    explicit GuardedText(const std::string& text)
        : m_original(text), m_buffer(kGuard + text.size() + 1 + kGuard, kPoison)
    {
        std::memcpy(Text(), text.c_str(), text.size() + 1);
    }
    char* Text() { return m_buffer.data() + kGuard; }
    const char* End() { return Text() + m_original.size(); }
    bool Whole() { return std::memcmp(Text(), m_original.c_str(), m_original.size() + 1) == 0; }
    bool GuardsIntact()
    {
        for (size_t i = 0; i < kGuard; ++i)
            if (m_buffer[i] != kPoison || m_buffer[m_buffer.size() - 1 - i] != kPoison)
                return false;
        return true;
    }
    // At most one byte differs from the original, and it is a NUL.
    bool AtMostOneNul()
    {
        int changed = 0;
        for (size_t i = 0; i < m_original.size(); ++i)
            if (Text()[i] != m_original[i] && (++changed > 1 || Text()[i] != '\0'))
                return false;
        return true;
    }
    const std::string& Original() const { return m_original; }

private:
    std::string m_original;
    std::vector<char> m_buffer;
};

class RandomTexts
{
public:
    RandomTexts() : m_rng(20240607) {}

    std::string Text(size_t maxLength)
    {
        static const char kAlphabet[] = "ab  \t,,;\"x:.\\\xe9\xff";
        std::string text(Pick(maxLength + 1), ' ');
        for (char& c : text)
            c = kAlphabet[Pick(sizeof kAlphabet - 1)];
        return text;
    }
    // A set of up to three characters, or null.
    const char* Set(std::string& storage)
    {
        if (Pick(5) == 0)
            return NULL;
        storage = Text(2);
        return storage.c_str();
    }
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }

private:
    std::mt19937 m_rng;
};

bool Member(char c, const char* set)
{
    return c != '\0' && set && std::strchr(set, c);
}

// Checks one token against the promises of next/nextBetween; returns a
// description of the first broken one, or "".
std::string Broken(GuardedText& text, const char* token, char delimiter, bool between,
                   const char* delimiters, const char* skip, const char* stop)
{
    if (!text.GuardsIntact())
        return "guard bytes overwritten";
    if (!text.AtMostOneNul())
        return "more than one byte of the text changed";
    if (token < text.Text() || token > text.End())
        return "token outside the text";
    const size_t length = std::strlen(token);
    if (token + length > text.End())
        return "token runs past the text";
    if (text.Original().compare(token - text.Text(), length, token, length) != 0)
        return "token is not the text's own characters";
    if (delimiter != '\0' && !Member(delimiter, delimiters) && !Member(delimiter, stop))
        return "last delimiter is neither a delimiter nor a stop character";
    for (size_t i = 0; i < length; ++i)
        if (Member(token[i], delimiters) || Member(token[i], stop))
            return "token holds a delimiter or stop character";
    if (!between && length > 0 && (Member(token[0], skip) || Member(token[length - 1], skip)))
        return "token keeps a skip character at an end";
    return "";
}

TEST(TokenizerRandom, TextComesBackWholeAndTokensStayInside)
{
    RandomTexts random;
    for (int round = 0; round < 40000; ++round) {
        GuardedText text(random.Text(24));
        std::string skipSet, stopSet, delimSet;
        const char* skip = random.Set(skipSet);
        const char* stop = random.Set(stopSet);
        const char* delimiters = random.Set(delimSet);
        SCOPED_TRACE("round " + std::to_string(round) + " text [" + text.Original() + "]");
        {
            CTokenizer tokenizer(text.Text(), skip, stop);
            const char* previousEnd = text.Text();
            for (size_t call = 0; call < text.Original().size() + 3; ++call) {
                const bool between = random.Pick(3) == 0;
                const char* token = between ? tokenizer.nextBetween(delimiters) : tokenizer.next(delimiters);
                std::string broken = Broken(text, token, tokenizer.lastDelimiter(), between, delimiters, skip, stop);
                ASSERT_EQ("", broken) << "call " << call;
                ASSERT_GE(token, previousEnd) << "tokens went backwards";
                previousEnd = token + std::strlen(token);
                if (random.Pick(8) == 0) {
                    tokenizer.terminate();
                    ASSERT_TRUE(text.Whole()) << "terminate left the text changed";
                }
                if (random.Pick(16) == 0) {
                    skip = random.Set(skipSet);
                    tokenizer.changeSkipChars(skip);
                }
            }
            // With the sets fixed, every call moves on until the end of the
            // text or a stop character, where the tokenizer stays put.
            for (size_t call = 0; call < text.Original().size() + 1; ++call)
                tokenizer.next(delimiters);
            const char* last = tokenizer.next(delimiters);
            ASSERT_STREQ("", last);
            ASSERT_EQ(last, tokenizer.next(delimiters));
            ASSERT_TRUE(text.AtMostOneNul());
        }
        ASSERT_TRUE(text.Whole()) << "the destructor left the text changed";
        ASSERT_TRUE(text.GuardsIntact());
    }
}

TEST(TokenizerRandom, RestartMakesThePreviousTextWhole)
{
    RandomTexts random;
    std::vector<GuardedText> texts;
    for (int i = 0; i < 20000; ++i)
        texts.emplace_back(random.Text(16));
    CTokenizer tokenizer;   // the texts outlive it
    for (size_t i = 0; i < texts.size(); ++i) {
        tokenizer.restart(texts[i].Text(), " ", ";");
        for (size_t calls = random.Pick(4); calls > 0; --calls)
            tokenizer.next(",");
        if (i > 0) {
            ASSERT_TRUE(texts[i - 1].Whole()) << "text " << i - 1;
        }
    }
    tokenizer.terminate();
    for (GuardedText& text : texts)
        ASSERT_TRUE(text.Whole() && text.GuardsIntact());
}

} // namespace
