#include "services/DataStream.h"
#include "services/TextScanner.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A file in the temp folder, removed at the end of the test.
class TempFile
{
public:
    TempFile()
    {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        GetTempFileNameA(folder, "sls", 0, m_path);
    }
    ~TempFile() { DeleteFileA(m_path); }
    const char* Path() const { return m_path; }

    std::vector<unsigned char> Contents() const
    {
        std::vector<unsigned char> data;
        HANDLE file = CreateFileA(m_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return data;
        data.resize(GetFileSize(file, nullptr));
        DWORD got = 0;
        if (!data.empty())
            ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
        CloseHandle(file);
        data.resize(got);
        return data;
    }

    void Write(const std::string& text) const
    {
        HANDLE file = CreateFileA(m_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }

private:
    char m_path[MAX_PATH];
};

std::vector<unsigned char> RandomBytes(std::mt19937& rng, size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(rng());
    return bytes;
}

// Applies random reads, writes and seeks to the stream and to a plain vector model; both
// must agree at every step.
void RunRandomOperations(CDataStream& stream, std::vector<unsigned char>& model, std::mt19937& rng,
                         bool writable, int steps)
{
    long long position = stream.Tell();
    for (int step = 0; step < steps; ++step) {
        int op = static_cast<int>(rng() % 10);
        int count = static_cast<int>(rng() % 3 == 0 ? rng() % 300 : rng() % 40);
        if (op < 4) {
            std::vector<unsigned char> got(count + 1, 0xCC);
            int n = stream.Read(got.data(), count);
            long long left = static_cast<long long>(model.size()) - position;
            int expected = static_cast<int>(std::max(0LL, std::min<long long>(count, left)));
            ASSERT_EQ(n, expected) << "step " << step;
            ASSERT_TRUE(std::equal(got.begin(), got.begin() + n, model.begin() + position));
            ASSERT_EQ(got[count], 0xCC);
            position += n;
        } else if (op < 7 && writable) {
            auto data = RandomBytes(rng, count);
            ASSERT_EQ(stream.Write(data.data(), count), count) << "step " << step;
            if (count > 0 && position + count > static_cast<long long>(model.size()))
                model.resize(position + count, 0);
            std::copy(data.begin(), data.end(), model.begin() + position);
            position += count;
        } else {
            int origin = static_cast<int>(rng() % 3);
            long long size = static_cast<long long>(model.size());
            long long target = static_cast<long long>(rng() % (size + 50));
            long long offset = origin == STREAM_BEGIN ? target
                               : origin == STREAM_CURRENT ? target - position : target - size;
            ASSERT_EQ(stream.Seek(offset, origin), target) << "step " << step;
            position = target;
        }
        ASSERT_EQ(stream.Tell(), position);
    }
}

// The caller's data behind the callbacks; reads come in pieces of at most 7 bytes.
struct CallbackData
{
    std::vector<unsigned char> source;
    size_t readPos = 0;
    std::vector<unsigned char> sink;
    bool failWrites = false;
};

int ReadPieces(void* context, void* buffer, int count)
{
    CallbackData* data = static_cast<CallbackData*>(context);
    int n = static_cast<int>(std::min<size_t>({static_cast<size_t>(count), 7, data->source.size() - data->readPos}));
    memcpy(buffer, data->source.data() + data->readPos, n);
    data->readPos += n;
    return n;
}

int WriteAll(void* context, const void* bytes, int count)
{
    CallbackData* data = static_cast<CallbackData*>(context);
    if (data->failWrites)
        return 0;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    data->sink.insert(data->sink.end(), p, p + count);
    return count;
}

// Independent line splitter: CR LF, LF or CR end a line; a final line end adds no line.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// Reads every line through the scanner, window by window.
std::vector<std::string> ScanLines(CTextScanner& scanner, int window)
{
    std::vector<std::string> lines;
    while (scanner.SkipAndPeek(0, 1)) {
        std::string line;
        for (;;) {
            int n = scanner.LineLength();
            EXPECT_LE(n, window);
            const char* p = scanner.SkipAndPeek(0, n);
            if (n > 0) {
                EXPECT_NE(p, nullptr);
                if (!p)
                    return lines;
                line.append(p, n);
            }
            p = scanner.SkipAndPeek(n, 1);
            if (!p || *p == '\r' || *p == '\n')
                break;
            EXPECT_EQ(n, window);   // only a full window stops inside a line
        }
        lines.push_back(line);
        if (!scanner.NextLine())
            break;
    }
    return lines;
}

std::string RandomText(std::mt19937& rng, int pieces)
{
    const char* parts[] = {"\r\n", "\n", "\r", " ", "\t", "word", "_x9", "\"q\\\"s\"", ";c", "\xE4\xF6"};
    std::string text;
    for (int i = 0; i < pieces; ++i) {
        if (rng() % 15 == 0)
            text += std::string(1 + rng() % 80, 'L');   // lines longer than small windows
        else
            text += parts[rng() % 10];
    }
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CDataStream

TEST(DataStream, FileWriteThenReadAgreesWithTheRawApi)
{
    TempFile file;
    std::mt19937 rng(1);
    auto data = RandomBytes(rng, 20000);
    CDataStream stream(64);
    ASSERT_TRUE(stream.Open(file.Path(), STREAM_CREATE));
    size_t done = 0;
    while (done < data.size()) {
        int n = static_cast<int>(std::min<size_t>(data.size() - done, rng() % 200));
        ASSERT_EQ(stream.Write(data.data() + done, n), n);
        done += n;
    }
    ASSERT_TRUE(stream.Close());
    EXPECT_EQ(file.Contents(), data);

    ASSERT_TRUE(stream.Open(file.Path(), STREAM_READ));
    EXPECT_EQ(stream.Seek(0, STREAM_END), 20000);
    EXPECT_EQ(stream.Seek(0, STREAM_BEGIN), 0);
    std::vector<unsigned char> back(20000);
    EXPECT_EQ(stream.Read(back.data(), 100), 100);
    EXPECT_EQ(stream.Read(back.data() + 100, 19900), 19900);   // a large read, past the buffer
    EXPECT_EQ(back, data);
    EXPECT_EQ(stream.Read(back.data(), 10), 0);                // at the end
    // A read-only stream refuses writes.
    EXPECT_EQ(stream.Write(data.data(), 1), -1);
    EXPECT_EQ(stream.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(stream.Close());
}

TEST(DataStream, RandomOperationsOnAFileMatchAModel)
{
    std::mt19937 rng(2);
    for (int bufferSize : {16, 100, 4096}) {
        TempFile file;
        std::vector<unsigned char> model = RandomBytes(rng, 1000);
        file.Write(std::string(model.begin(), model.end()));
        CDataStream stream(bufferSize);
        ASSERT_TRUE(stream.Open(file.Path(), STREAM_UPDATE));
        RunRandomOperations(stream, model, rng, true, 3000);
        ASSERT_TRUE(stream.Close());
        EXPECT_EQ(file.Contents(), model) << bufferSize;
    }
}

TEST(DataStream, FileOpenFailuresAndArguments)
{
    CDataStream stream;
    EXPECT_FALSE(stream.Open("Z:\\no\\such\\folder\\file.bin", STREAM_READ));
    EXPECT_NE(stream.GetLastError(), 0u);
    EXPECT_FALSE(stream.IsOpen());
    TempFile file;
    DeleteFileA(file.Path());
    EXPECT_FALSE(stream.Open(file.Path(), STREAM_UPDATE));
    EXPECT_EQ(stream.GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(stream.Open(nullptr, STREAM_READ));
    EXPECT_EQ(stream.GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(stream.Open(file.Path(), 7));

    EXPECT_EQ(stream.Read(nullptr, 0), -1);      // not open
    EXPECT_EQ(stream.Tell(), -1);
    EXPECT_EQ(stream.Seek(0, STREAM_BEGIN), -1);
    EXPECT_TRUE(stream.Close());

    ASSERT_TRUE(stream.Open(file.Path(), STREAM_CREATE));
    char buffer[4];
    EXPECT_EQ(stream.Read(buffer, -1), -1);
    EXPECT_EQ(stream.Read(nullptr, 4), -1);
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(stream.Seek(-1, STREAM_BEGIN), -1);
    EXPECT_EQ(stream.GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(stream.Seek(10, STREAM_BEGIN), 10);   // beyond the end: a gap on writing
    EXPECT_EQ(stream.Write("x", 1), 1);
    EXPECT_TRUE(stream.Close());
    auto contents = file.Contents();
    ASSERT_EQ(contents.size(), 11u);
    EXPECT_EQ(contents[0], 0);
    EXPECT_EQ(contents[10], 'x');
}

TEST(DataStream, MemoryBlocks)
{
    std::mt19937 rng(3);
    auto block = RandomBytes(rng, 777);
    CDataStream stream(32);
    ASSERT_TRUE(stream.OpenMemory(block.data(), 777, STREAM_READ));
    std::vector<unsigned char> model = block;
    RunRandomOperations(stream, model, rng, false, 2000);
    EXPECT_EQ(stream.Write("x", 1), -1);
    EXPECT_EQ(stream.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(stream.TakeMemoryBlock(nullptr), nullptr);   // not ours to give
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(block, model);

    // A growing block: writes, seeks back and beyond, and the block handed over.
    ASSERT_TRUE(stream.OpenMemory(nullptr, 0, STREAM_CREATE));
    std::vector<unsigned char> grown;
    RunRandomOperations(stream, grown, rng, true, 3000);
    int size = -1;
    unsigned char* taken = static_cast<unsigned char*>(stream.TakeMemoryBlock(&size));
    ASSERT_NE(taken, nullptr);
    ASSERT_EQ(size, static_cast<int>(grown.size()));
    EXPECT_TRUE(std::equal(grown.begin(), grown.end(), taken));
    EXPECT_EQ(taken[size], 0);   // the NUL behind the data
    free(taken);

    // After taking, the stream starts a new block; it can be taken after Close as well.
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_EQ(stream.Write("Fehler(3)\tx\r\n", 13), 13);
    EXPECT_TRUE(stream.Close());
    char* text = static_cast<char*>(stream.TakeMemoryBlock(&size));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "Fehler(3)\tx\r\n");
    EXPECT_EQ(size, 13);
    free(text);
    EXPECT_EQ(stream.TakeMemoryBlock(&size), nullptr);

    // An empty growing stream gives an empty text.
    ASSERT_TRUE(stream.OpenMemory(nullptr, 0, STREAM_CREATE));
    text = static_cast<char*>(stream.TakeMemoryBlock(&size));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    free(text);

    EXPECT_FALSE(stream.OpenMemory(nullptr, 5, STREAM_READ));
    EXPECT_FALSE(stream.OpenMemory(block.data(), 5, STREAM_UPDATE));
}

TEST(DataStream, ResourceThatIsNotThereFails)
{
    CDataStream stream;
    EXPECT_FALSE(stream.OpenResource("NOSUCHRESOURCE"));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_NE(stream.GetLastError(), 0u);
    EXPECT_FALSE(stream.OpenResource(MAKEINTRESOURCEA(4711), RT_RCDATA));
    EXPECT_FALSE(stream.OpenResource(nullptr));
}

TEST(DataStream, Callbacks)
{
    std::mt19937 rng(4);
    CallbackData data;
    data.source = RandomBytes(rng, 5000);
    CDataStream stream(64);
    ASSERT_TRUE(stream.OpenCallbacks(ReadPieces, nullptr, &data));
    std::vector<unsigned char> back(5000);
    EXPECT_EQ(stream.Read(back.data(), 10), 10);
    EXPECT_EQ(stream.Seek(1000, STREAM_BEGIN), 1000);      // forward: skipped by reading
    EXPECT_EQ(stream.Read(back.data() + 1000, 200), 200);  // larger than the buffer
    EXPECT_EQ(stream.Read(back.data() + 1200, 5), 5);      // through the buffer
    EXPECT_EQ(stream.Seek(0, STREAM_CURRENT), 1205);
    EXPECT_EQ(stream.Read(back.data() + 1205, 3795), 3795);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 10, data.source.begin()));
    EXPECT_TRUE(std::equal(back.begin() + 1000, back.end(), data.source.begin() + 1000));
    EXPECT_EQ(stream.Seek(0, STREAM_BEGIN), -1);           // callbacks do not go back
    EXPECT_EQ(stream.GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(stream.Seek(0, STREAM_END), -1);
    EXPECT_EQ(stream.Write("x", 1), -1);
    EXPECT_TRUE(stream.Close());

    ASSERT_TRUE(stream.OpenCallbacks(nullptr, WriteAll, &data));
    auto payload = RandomBytes(rng, 3000);
    for (size_t done = 0; done < payload.size();) {
        int n = static_cast<int>(std::min<size_t>(payload.size() - done, rng() % 150));
        ASSERT_EQ(stream.Write(payload.data() + done, n), n);
        done += n;
    }
    EXPECT_EQ(stream.Tell(), 3000);
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(data.sink, payload);

    // A failing sink shows at the flush.
    data.failWrites = true;
    ASSERT_TRUE(stream.OpenCallbacks(nullptr, WriteAll, &data));
    EXPECT_EQ(stream.Write("abc", 3), 3);   // still in the buffer
    EXPECT_FALSE(stream.Close());
    EXPECT_EQ(stream.GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
    EXPECT_FALSE(stream.OpenCallbacks(nullptr, nullptr, &data));
}

// ---------------------------------------------------------------------------------------
// CTextScanner

TEST(TextScanner, LinesAgreeWithAnIndependentSplitter)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        std::string text = RandomText(rng, static_cast<int>(rng() % 60));
        int window = 16 + static_cast<int>(rng() % 50);
        CTextScanner scanner(window);
        ASSERT_TRUE(scanner.OpenMemory(text.data(), static_cast<int>(text.size()), STREAM_READ));
        EXPECT_EQ(ScanLines(scanner, window), SplitLines(text)) << window;
        // The second pass after a seek to the start sees the same.
        ASSERT_EQ(scanner.Seek(0, STREAM_BEGIN), 0);
        EXPECT_EQ(ScanLines(scanner, window), SplitLines(text));
    }
}

TEST(TextScanner, FileWithMixedLineEnds)
{
    TempFile file;
    file.Write("MODUL \"Test\"\r\n:start BYTE \"a\"\n\rDWORD\r\n  ; comment\rlast");
    CTextScanner scanner(32768);
    ASSERT_TRUE(scanner.OpenEx(file.Path(), STREAM_READ));
    EXPECT_EQ(ScanLines(scanner, 32768),
              (std::vector<std::string>{"MODUL \"Test\"", ":start BYTE \"a\"", "", "DWORD", "  ; comment", "last"}));
    EXPECT_EQ(scanner.SkipAndPeek(0, 1), nullptr);
    EXPECT_EQ(scanner.NextLine(), 0);
    EXPECT_FALSE(scanner.OpenEx("Z:\\no\\such\\module.dfm", STREAM_READ));
}

TEST(TextScanner, WordsBlanksAndQuotes)
{
    std::string text = " \t word_1\xE4x-rest \"ab\\\"c\" \"open\r\n\"\\\"\"";
    CTextScanner scanner(64);
    ASSERT_TRUE(scanner.OpenMemory(text.data(), static_cast<int>(text.size()), STREAM_READ));
    EXPECT_EQ(scanner.WordLength(), 0);
    EXPECT_EQ(scanner.BlankLength(), 3);
    const char* p = scanner.SkipAndPeek(3, 10);
    ASSERT_NE(p, nullptr);
    EXPECT_GE(scanner.GetPeekLength(), 10);
    EXPECT_EQ(scanner.WordLength(), 8);   // "word_1", 0xE4 and "x"
    EXPECT_EQ(scanner.QuotedLength(), 0);
    char quoted[300];
    EXPECT_EQ(scanner.GetQuoted(quoted, sizeof(quoted)), 0);
    EXPECT_STREQ(quoted, "");
    scanner.SkipAndPeek(8, 1);
    EXPECT_EQ(scanner.WordLength(), 0);    // "-"
    scanner.SkipAndPeek(6, 1);             // "-rest "
    EXPECT_EQ(scanner.QuotedLength(), 7);  // "ab\"c" with its quotes
    EXPECT_EQ(scanner.GetQuoted(quoted, sizeof(quoted)), 5);
    EXPECT_STREQ(quoted, "ab\\\"c");
    EXPECT_EQ(scanner.GetQuoted(quoted, 3), 2);   // cut to the buffer
    EXPECT_STREQ(quoted, "ab");
    scanner.SkipAndPeek(8, 1);
    EXPECT_EQ(scanner.QuotedLength(), 5);  // cut off by the line end
    EXPECT_EQ(scanner.GetQuoted(quoted, sizeof(quoted)), 4);
    EXPECT_STREQ(quoted, "open");
    EXPECT_EQ(scanner.NextLine(), 1);
    EXPECT_EQ(scanner.QuotedLength(), 4);  // an escaped quote inside
    EXPECT_EQ(scanner.GetQuoted(quoted, sizeof(quoted)), 2);
    EXPECT_STREQ(quoted, "\\\"");

    // Cut off by the end of the data right after an escaped quote: no closing quote.
    std::string cut = "\"ab\\\"";
    ASSERT_TRUE(scanner.OpenMemory(cut.data(), static_cast<int>(cut.size()), STREAM_READ));
    EXPECT_EQ(scanner.QuotedLength(), 5);
    EXPECT_EQ(scanner.GetQuoted(quoted, sizeof(quoted)), 4);
    EXPECT_STREQ(quoted, "ab\\\"");
}

TEST(TextScanner, LongQuotedAndLongLines)
{
    std::string quotedText = "\"" + std::string(300, 'q') + "\" next";
    CTextScanner scanner(32768);
    ASSERT_TRUE(scanner.OpenMemory(quotedText.data(), static_cast<int>(quotedText.size()), STREAM_READ));
    EXPECT_EQ(scanner.QuotedLength(), 302);
    char quoted[400];
    EXPECT_EQ(scanner.GetQuoted(quoted, sizeof(quoted)), 256);
    EXPECT_EQ(strlen(quoted), 256u);

    // A window of 16 bytes: a 100-byte line is reported with the window's length, and
    // NextLine still passes the whole line.
    std::string text = std::string(100, 'w') + "\r\nnext\r\n";
    CTextScanner small(16);
    ASSERT_TRUE(small.OpenMemory(text.data(), static_cast<int>(text.size()), STREAM_READ));
    EXPECT_EQ(small.LineLength(), 16);
    EXPECT_EQ(small.WordLength(), 16);
    EXPECT_NE(small.SkipAndPeek(0, 1000), nullptr);   // keep is bounded by the window
    EXPECT_EQ(small.GetPeekLength(), 16);
    EXPECT_EQ(small.NextLine(), 1);
    const char* p = small.SkipAndPeek(0, 4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p, 4), "next");
    EXPECT_EQ(small.LineLength(), 4);
    EXPECT_EQ(p[small.GetPeekLength()], '\0');   // the NUL behind the window's data
    EXPECT_EQ(small.NextLine(), 1);
    EXPECT_EQ(small.SkipAndPeek(0, 1), nullptr);
}

TEST(TextScanner, MemoryTextStreamForErrors)
{
    // The data window's error text: a scanner in growing-memory mode written to and then
    // taken as one C string.
    CTextScanner errors(32768);
    ASSERT_TRUE(errors.OpenMemory(nullptr, 0, STREAM_CREATE));
    for (int line = 1; line <= 3; ++line) {
        char text[64];
        int n = wsprintfA(text, "%s(%i)\t%s\r\n", "Fehler", line, "Unbekannter Befehl");
        ASSERT_EQ(errors.Write(text, n), n);
    }
    ASSERT_EQ(errors.Seek(0, STREAM_BEGIN), 0);
    EXPECT_EQ(errors.LineLength(), 28);
    EXPECT_TRUE(errors.Close());
    int size = 0;
    char* text = static_cast<char*>(errors.TakeMemoryBlock(&size));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), "Fehler(1)\tUnbekannter Befehl\r\nFehler(2)\tUnbekannter Befehl\r\n"
                                 "Fehler(3)\tUnbekannter Befehl\r\n");
    free(text);
}
