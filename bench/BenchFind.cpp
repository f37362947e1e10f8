// The text editor's find engine on 50,000 lines of 80 bytes, without a window: finding every
// match of a plain text, without regard to case, as a whole word and as a pattern, each as a
// ratio to a plain byte scan over the same lines in the same run; and a replace-all of
// 10,000 matches.
#include "BenchSupport.h"
#include "editor/TextEdit.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

const int kLines = 50000;
const int kLineLength = 80;
const int kRounds = 5;

// Lines of words from a fixed list, the same in every run.
std::string MakeText(std::vector<std::string>* lines)
{
    static const char* const words[] = { "sektor", "cluster", "Bytes", "per", "FAT", "eintrag", "quick", "brown",
                                         "fox", "Jumps", "over", "lazy", "dog", "0x1F", "4711", "Spur" };
    uint32_t seed = 12345;
    std::string all;
    for (int l = 0; l < kLines; ++l)
    {
        std::string line;
        while (static_cast<int>(line.size()) < kLineLength)
        {
            seed = seed * 1103515245u + 12345u;
            if (!line.empty())
                line += ' ';
            line += words[(seed >> 16) % 16];
        }
        line.resize(kLineLength);
        lines->push_back(line);
        all += line;
        all += '\n';
    }
    return all;
}

// The baseline: every place of `what` in every line, compared byte by byte.
int PlainScan(const std::vector<std::string>& lines, const char* what)
{
    const size_t n = strlen(what);
    int found = 0;
    for (const std::string& line : lines)
        for (size_t i = 0; i + n <= line.size(); ++i)
            if (memcmp(line.data() + i, what, n) == 0)
                ++found;
    return found;
}

int FindAll(CTextEdit& edit, const char* what)
{
    edit.SetCursorPos(0, 0, 0);
    int found = 0;
    uint32_t flags = FTF_SELECT_RAW | FTF_NO_HISTORY;
    while (edit.FindText(what, flags))
    {
        ++found;
        flags |= FTF_AFTER_CARET;
    }
    return found;
}

}  // namespace

int main()
{
    bench::PrepareSettings();
    std::vector<std::string> lines;
    const std::string text = MakeText(&lines);
    CTextEdit edit(2048, kLines + 16, 0, "Bench");
    edit.AppendText(text.c_str());

    std::vector<double> base;
    int baseCount = 0;
    for (int r = 0; r < kRounds; ++r)
    {
        const double t0 = bench::Now();
        baseCount = PlainScan(lines, "quick");
        base.push_back(bench::Now() - t0);
    }
    const double baseline = bench::Median(base);
    printf("Find in 50,000 lines of 80 bytes (median of %d rounds)\n", kRounds);
    printf("  plain byte scan for \"quick\": %d matches, %.1f ms (the baseline)\n", baseCount, baseline * 1000);

    struct Mode
    {
        const char* name;
        const char* what;
        uint32_t options;
    };
    const Mode modes[] = {
        { "plain", "quick", 0 },
        { "case-fold", "QUICK", 0x10 },
        { "whole word", "fox", 0x80 },
        { "pattern", "q?ick*fox", 0x100 },
    };
    const uint32_t savedOptions = EditOptions;
    for (const Mode& mode : modes)
    {
        EditOptions = (savedOptions & ~0x1F0u) | mode.options;
        std::vector<double> times;
        int count = 0;
        for (int r = 0; r < kRounds; ++r)
        {
            const double t0 = bench::Now();
            count = FindAll(edit, mode.what);
            times.push_back(bench::Now() - t0);
        }
        const double t = bench::Median(times);
        printf("  find all, %-10s \"%s\": %6d matches, %7.1f ms, %5.1f x the byte scan\n", mode.name, mode.what,
               count, t * 1000, baseline > 0 ? t / baseline : 0.0);
    }

    // Replace-all of 10,000 matches: the first 10,000 lines end in the marker.
    EditOptions = savedOptions & ~0x1F0u;
    CTextEdit target(2048, kLines + 16, 0, "Bench");
    std::string marked;
    for (int l = 0; l < kLines; ++l)
        marked += lines[static_cast<size_t>(l)].substr(0, kLineLength - 4) + (l < 10000 ? "#MK#" : "....") + "\n";
    target.AppendText(marked.c_str());
    target.SetCursorPos(0, 0, 0);
    const double t0 = bench::Now();
    const int replaced = target.ReplaceText("#MK#", "[marke]", 2);
    const double t = bench::Now() - t0;
    printf("  replace all \"#MK#\": %d replacements, %.1f ms, %.1f x the byte scan\n", replaced, t * 1000,
           baseline > 0 ? t / baseline : 0.0);
    EditOptions = savedOptions & ~EO_CHANGED;
    bench::ForgetSettings();
    return 0;
}
