// Tokenizing and path handling against the C runtime doing the same work:
// CTokenizer::next against strtok_s over one text, and a PathName plus
// FileName round trip against _splitpath and _makepath.
#include "library/CFUtils.h"

#include "Bench.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Words, blanks and commas; runs of both separate like one for either side.
std::string MakeText(int words)
{
    static const char* const kWords[] = {"alpha", "be", "gamma_delta", "x", "epsilon42"};
    std::string text;
    for (int i = 0; i < words; ++i)
        text += std::string(kWords[i % 5]) + (i % 3 == 0 ? ", " : i % 3 == 1 ? "," : "  ");
    return text;
}

void BenchTokens()
{
    const std::string text = MakeText(600);
    std::string work = text;
    const char kSeparators[] = " ,";
    long tokens = 0, rawTokens = 0;

    // Both sides copy the text first: strtok_s destroys its text, and the
    // copy costs the same on either side.
    auto lib = [&] {
        std::memcpy(&work[0], text.data(), text.size());
        CTokenizer tokenizer(&work[0], kSeparators, NULL);
        tokens = 0;
        while (*tokenizer.next(kSeparators) != '\0')
            ++tokens;
    };
    auto raw = [&] {
        std::memcpy(&work[0], text.data(), text.size());
        char* context = NULL;
        rawTokens = 0;
        for (char* token = strtok_s(&work[0], kSeparators, &context); token; token = strtok_s(NULL, kSeparators, &context))
            ++rawTokens;
    };
    const cfu::bench::Timing libTime = cfu::bench::Time(lib, 2000);
    const cfu::bench::Timing rawTime = cfu::bench::Time(raw, 2000);
    cfu::bench::Report("tokenize 600 words (next vs strtok_s)", libTime, rawTime);
    std::printf("  tokens per pass: lib %ld, raw %ld; tokens per second: lib %.1f M, raw %.1f M\n", tokens,
                rawTokens, tokens * 1e3 / libTime.medianNs, rawTokens * 1e3 / rawTime.medianNs);
}

void BenchPathRoundTrip()
{
    const char kPath[] = "C:\\Program Files\\Corvanta\\Control Center\\profiles\\wheel.cfg";
    const char kFileName[] = "pad.cfg";
    CPathName path;
    char drive[_MAX_DRIVE], directory[_MAX_DIR], name[_MAX_FNAME], extension[_MAX_EXT];
    char newName[_MAX_FNAME], newExtension[_MAX_EXT], composed[MAX_PATH];

    // PathName splits and composes; FileName splits its argument and the
    // path, then composes again.
    cfu::bench::Compare(
        "PathName+FileName round trip (vs _splitpath+_makepath)", 200000,
        [&] { path.PathName(kPath).FileName(kFileName); },
        [&] {
            _splitpath(kPath, drive, directory, name, extension);
            _makepath(composed, drive, directory, name, extension);
            _splitpath(kFileName, NULL, NULL, newName, newExtension);
            _splitpath(composed, drive, directory, name, extension);
            _makepath(composed, drive, directory, newName, newExtension);
        });
    if (std::strcmp(path.PathName(), composed) != 0)
        std::printf("  results differ: lib %s, raw %s\n", static_cast<const char*>(path.PathName()), composed);
}

} // namespace

int main()
{
    BenchTokens();
    BenchPathRoundTrip();
    return 0;
}
