#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/InputFileError.h"
#include "readers/OpenFileCount.h"
#include "readers/TextStream.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

std::vector<std::string> AllLines(TextStream& stream) {
    std::vector<std::string> lines;
    while (!stream.AtEndOfStream()) {
        lines.emplace_back(stream.ReadLine());
    }
    return lines;
}

class TextStreamTest : public ::testing::Test {
protected:
    std::string ErrorOf(const std::string& path, const std::string& label) {
        try {
            TextStream stream(path, label);
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
            TextStream stream(path, "File", chunk);
            EXPECT_THAT(AllLines(stream), ElementsAreArray(lines)) << "chunk size " << chunk;
            EXPECT_EQ(stream.Line(), std::ssize(lines) + 1);
        }
    }
}

TEST_F(TextStreamTest, TracksLineNumbersAndEmptyLines) {
    TextStream stream(dir_.Write("lines.txt", "first\n\nthird\n"), "File");
    EXPECT_EQ(stream.Line(), 1);
    EXPECT_FALSE(stream.AtEndOfLine());
    stream.SkipLine();
    EXPECT_EQ(stream.Line(), 2);
    EXPECT_TRUE(stream.AtEndOfLine());
    EXPECT_FALSE(stream.AtEndOfStream());
    EXPECT_EQ(stream.ReadLine(), "");
    EXPECT_EQ(stream.ReadLine(), "third");
    // A break at the end of the file does not start another line.
    EXPECT_TRUE(stream.AtEndOfLine());
    EXPECT_TRUE(stream.AtEndOfStream());
    EXPECT_EQ(stream.Line(), 4);
}

TEST_F(TextStreamTest, CloseReleasesTheFile) {
    const std::string path = dir_.Write("close.txt", "1\n2\n");
    const long before = test::OpenFileCount();
    TextStream stream(path, "File");
    EXPECT_EQ(test::OpenFileCount(), before + 1);
    stream.Close();
    EXPECT_EQ(test::OpenFileCount(), before);
    EXPECT_TRUE(stream.AtEndOfStream());
}

TEST_F(TextStreamTest, ReadingPastTheEndIsAnError) {
    TextStream stream(dir_.Write("two.txt", "1\n2\n"), "Y axys file 'two.txt'");
    stream.SkipLine();
    stream.SkipLine();
    try {
        stream.ReadLine();
        FAIL() << "read past the end";
    } catch (const InputFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Y axys file 'two.txt': the file ends after line 2"));
    }
    EXPECT_THROW(stream.SkipLine(), InputFileError);

    TextStream empty(dir_.Write("empty.txt", ""), "File");
    EXPECT_TRUE(empty.AtEndOfLine());
    EXPECT_TRUE(empty.AtEndOfStream());
    EXPECT_EQ(empty.Line(), 1);
    EXPECT_THROW(empty.ReadLine(), InputFileError);
}

TEST_F(TextStreamTest, RefusesALineLongerThanOneMebibyte) {
    const std::string longest(kMaxLineBytes, '7');
    TextStream fits(dir_.Write("fits.txt", "x\r\n" + longest + "\r\ny"), "File");
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
    TextStream stream(dir_.Write("bom.txt", "\xEF\xBB\xBF\n12\n"), "File", 1);
    EXPECT_TRUE(stream.AtEndOfLine());
    EXPECT_THAT(AllLines(stream), ElementsAre("", "12"));
}

}  // namespace
}  // namespace tesselar
