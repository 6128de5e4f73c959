// CScanner and CTokenizer: stepping through and cutting a caller's text in
// place, without copying or allocating.
#include "library/CFUtils.h"

#include <algorithm>

namespace {

// Stands in for a null text, so that positions are never null. Only a NUL
// that no token displaced is ever "written back" here, so it stays read-only.
const char kEmptyText[] = "";

const char* OrEmpty(const char* text)
{
    return text ? text : kEmptyText;
}

bool IsMember(char c, const char* set)
{
    // Sets are a few characters: a plain loop beats a call into the C
    // runtime's strchr, which would also find the set's own terminator.
    if (c == '\0' || set == NULL)
        return false;
    for (; *set != '\0'; ++set)
        if (*set == c)
            return true;
    return false;
}

const char* SkipMembers(const char* p, const char* set)
{
    while (IsMember(*p, set))
        ++p;
    return p;
}

// The characters that end a token: the delimiters, the stop characters and
// NUL. A table, as strtok has, so that the scan over the token costs one
// look-up a character.
class TokenEnds
{
public:
    TokenEnds(const char* delimiters, const char* stopChars) : m_bits()
    {
        Add(delimiters);
        Add(stopChars);
        m_bits[0] |= 1;
    }
    bool Has(char c) const
    {
        const unsigned char u = static_cast<unsigned char>(c);
        return (m_bits[u >> 6] >> (u & 63)) & 1;
    }

private:
    void Add(const char* set)
    {
        for (; set != NULL && *set != '\0'; ++set) {
            const unsigned char u = static_cast<unsigned char>(*set);
            m_bits[u >> 6] |= 1ull << (u & 63);
        }
    }
    unsigned long long m_bits[4];
};

// Where a token starting at p ends: at a delimiter, a stop character or NUL.
const char* FindTokenEnd(const char* p, const char* delimiters, const char* stopChars)
{
    const TokenEnds ends(delimiters, stopChars);
    while (!ends.Has(*p))
        ++p;
    return p;
}

} // namespace

/////////////////////////////////////////////////////////////////////////////
// CScanner

CScanner::CScanner()
    : m_start(kEmptyText), m_current(kEmptyText), m_stopChars(kEmptyText)
{
}

void CScanner::restart(const char* text, const char* stopChars)
{
    m_stopChars = stopChars;
    m_start = m_current = OrEmpty(text);
}

CScanner& CScanner::operator=(const char* text)
{
    m_start = m_current = OrEmpty(text);
    return *this;
}

const char* CScanner::operator++(int)
{
    const char* before = m_current;
    if (*m_current != '\0' && !charInStr(*m_current, m_stopChars))
        ++m_current;
    return before;
}

const char* CScanner::operator--(int)
{
    const char* before = m_current;
    if (m_current > m_start)
        --m_current;
    return before;
}

int CScanner::charInStr(char c, const char* set) const
{
    return IsMember(c, set) ? TRUE : FALSE;
}

/////////////////////////////////////////////////////////////////////////////
// CTokenizer

CTokenizer::CTokenizer()
    : m_savedChar('\0'), m_lastDelimiter('\0'), m_tokenEnd(const_cast<char*>(kEmptyText)),
      m_rest(kEmptyText), m_skipChars(kEmptyText)
{
}

CTokenizer::CTokenizer(const char* text, const char* skipChars, const char* stopChars)
    : CTokenizer()
{
    restart(text, skipChars, stopChars);
}

CTokenizer::~CTokenizer()
{
    terminate();
}

void CTokenizer::restart(const char* text, const char* skipChars, const char* stopChars)
{
    terminate();
    CScanner::restart(text, stopChars);
    // The caller's text is written to, one displaced character at a time.
    m_tokenEnd = const_cast<char*>(m_start);
    m_rest = m_start;
    m_skipChars = skipChars;
    m_lastDelimiter = '\0';
    m_savedChar = '\0';
    m_current = SkipMembers(m_current, skipChars);
}

void CTokenizer::changeSkipChars(const char* skipChars)
{
    m_skipChars = skipChars;
}

const char* CTokenizer::next(const char* delimiters)
{
    terminate();
    const char* start = SkipMembers(m_rest, m_skipChars);
    const char* end = FindTokenEnd(start, delimiters, m_stopChars);
    m_lastDelimiter = *end;

    // Trailing skip characters are trimmed, but never back past where this
    // search began (the token may then be empty).
    const char* trimmed = end;
    while (trimmed > m_rest && IsMember(trimmed[-1], m_skipChars))
        --trimmed;

    end = SkipMembers(end, m_skipChars);
    if (IsMember(*end, delimiters))
        ++end;

    m_current = start;
    m_tokenEnd = const_cast<char*>(std::max(start, trimmed));
    m_rest = std::max<const char*>(m_tokenEnd, end);
    swapChar();
    return m_current;
}

const char* CTokenizer::nextBetween(const char* delimiters)
{
    terminate();
    m_current = SkipMembers(m_rest, m_skipChars);
    if (IsMember(*m_current, delimiters))
        ++m_current;

    const char* end = FindTokenEnd(m_current, delimiters, m_stopChars);
    m_lastDelimiter = *end;
    m_tokenEnd = const_cast<char*>(end);
    if (IsMember(*end, delimiters))
        ++end;

    m_rest = end;
    swapChar();
    return m_current;
}

void CTokenizer::terminate()
{
    if (*m_tokenEnd == '\0' && m_savedChar != '\0') {
        *m_tokenEnd = m_savedChar;
        m_savedChar = '\0';
    }
}

void CTokenizer::swapChar()
{
    if (*m_tokenEnd != m_savedChar)
        std::swap(*m_tokenEnd, m_savedChar);
}
