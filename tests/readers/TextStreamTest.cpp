#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "readers/InputFileError.h"
#include "readers/TextStream.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

std::vector<std::string> AllLines(TextStream& stream) {
    std::vector<std::string> lines;
    std::string_view line;
    while (stream.NextLine(line)) {
        lines.emplace_back(line);
    }
    return lines;
}

class TextStreamTest : public ::testing::Test {
protected:
    std::string ErrorOf(const std::string& path, const std::string& label) {
        try {
            TextStream stream(path, label, {});
            AllLines(stream);
        } catch (const InputFileError& error) {
            return error.what();
        }
        return "no error";
    }

    test::TempDir dir_;
};

TEST_F(TextStreamTest, SplitsLinesAtCrLfLfAndLoneCrWhateverTheChunkSize) {
    // Bytes one off LF or CR, or with the high bit added to them, are no breaks.
    const std::string odd = std::string("a\t\v\f\x0e\x01\x8a\x8d") + '\0' + 'b';
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        // The last line needs no break.
        {"a\r\nb\nc\rd\r\n\r\n\n\re", {"a", "b", "c", "d", "", "", "", "e"}},
        {"ab\r\ncd\r\r\nef\r\r\n\ngh\r", {"ab", "cd", "", "ef", "", "", "gh"}},
        {odd + "\n" + odd + odd + "\r\n", {odd, odd + odd}},
    };
    // Every chunk size puts a chunk boundary somewhere else, among them between the CR and LF
    // of a CR LF pair and right after a lone CR.
    for (const auto& [text, lines] : cases) {
        const std::string path = dir_.Write("split.txt", text);
        for (std::size_t chunk = 1; chunk <= 20; ++chunk) {
            TextStream stream(path, "File", {}, chunk);
            EXPECT_THAT(AllLines(stream), ElementsAreArray(lines)) << "chunk size " << chunk;
            EXPECT_EQ(stream.Line(), std::ssize(lines) + 1);
        }
    }
}

TEST_F(TextStreamTest, CountsLinesAndEndsWithoutAnotherLine) {
    TextStream stream(dir_.Write("lines.txt", "first\n\nthird\n"), "File", {});
    EXPECT_EQ(stream.Line(), 1);
    EXPECT_THAT(AllLines(stream), ElementsAre("first", "", "third"));
    // A break at the end of the file does not start another line.
    EXPECT_EQ(stream.Line(), 4);
    std::string_view line;
    EXPECT_FALSE(stream.NextLine(line));
    EXPECT_EQ(stream.Line(), 4);

    TextStream empty(dir_.Write("empty.txt", ""), "File", {});
    EXPECT_FALSE(empty.NextLine(line));
    EXPECT_EQ(empty.Line(), 1);
}

// A pipe hands out what its writer wrote so far, often less than a chunk: the lines are those of
// the same bytes in a file.
TEST_F(TextStreamTest, ReadsAPipeLikeAFile) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string text = "a\r\nbb\rccc\n\ndddd\r\n";
    std::thread writer([&text, in = ends[1]] {
        for (const char c : text) {
            EXPECT_EQ(::write(in, &c, 1), 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(in);
    });
    {
        TextStream stream("/proc/self/fd/" + std::to_string(ends[0]), "File", {}, 4);
        EXPECT_THAT(AllLines(stream), ElementsAre("a", "bb", "ccc", "", "dddd"));
    }
    writer.join();
    ::close(ends[0]);
}

TEST_F(TextStreamTest, RefusesALineLongerThanOneMebibyte) {
    const std::string longest(kMaxLineBytes, '7');
    TextStream fits(dir_.Write("fits.txt", "x\r\n" + longest + "\r\ny"), "File", {});
    EXPECT_THAT(AllLines(fits), ElementsAre("x", longest, "y"));

    const std::string tooLong = "x\n" + longest + "7\ny\n";
    EXPECT_THAT(ErrorOf(dir_.Write("long.txt", tooLong), "X axys file 'long.txt'"),
                HasSubstr("X axys file 'long.txt': line 2 is longer than 1 MiB"));
    // The same when the long line is the last one, without a break.
    EXPECT_THAT(ErrorOf(dir_.Write("tail.txt", "x\n" + longest + "7"), "File"),
                HasSubstr("line 2 is longer than 1 MiB"));
}

TEST_F(TextStreamTest, OpenErrorsNameTheFileAndTheCause) {
    const std::string missing = dir_ / "missing.dat";
    EXPECT_THAT(ErrorOf(missing, "X axys file '" + missing + "'"),
                HasSubstr("X axys file '" + missing + "': cannot open the file: No such file"));
    EXPECT_THAT(ErrorOf(dir_.Path().string(), "Y axys file 'dir'"),
                HasSubstr("Y axys file 'dir': is a directory"));
    EXPECT_THAT(ErrorOf("", "Attribute 'T' file ''"),
                HasSubstr("Attribute 'T' file '': no file name given"));
    // Devices give no text read once to its end: /dev/null would read as an empty file.
    EXPECT_EQ(ErrorOf("/dev/null", "X axys file '/dev/null'"),
              "X axys file '/dev/null': is a character device, not a text file");
    EXPECT_EQ(ErrorOf("/dev/zero", "File"), "File: is a character device, not a text file");
}

TEST_F(TextStreamTest, RefusesUtf16TextWithAHint) {
    // Little-endian and big-endian with a byte order mark, and without one.
    for (const std::string& text :
         {std::string("\xFF\xFES\0I\0", 6), std::string("\xFE\xFF\0S\0I", 6),
          std::string("S\0I\0Z\0", 6)}) {
        EXPECT_THAT(ErrorOf(dir_.Write("utf16.txt", text), "X axys file 'x'"),
                    HasSubstr("X axys file 'x': the file is UTF-16 text; save it as plain text"));
    }
}

TEST_F(TextStreamTest, LeavesAUtf8ByteOrderMarkOutOfTheFirstLine) {
    TextStream stream(dir_.Write("bom.txt", "\xEF\xBB\xBF\n12\n"), "File", {}, 1);
    EXPECT_THAT(AllLines(stream), ElementsAre("", "12"));
}

}  // namespace
}  // namespace tesselar
