#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/InputFileError.h"
#include "readers/OpenFileCount.h"
#include "readers/TempDir.h"
#include "readers/TextStream.h"

namespace tesselar {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> AllLines(TextStream& stream) {
    std::vector<std::string> lines;
    while (!stream.AtEndOfStream()) {
        lines.emplace_back(stream.ReadLine());
    }
    return lines;
}

std::string ErrorOf(const std::string& path, const std::string& label) {
    try {
        TextStream stream(path, label);
        AllLines(stream);
    } catch (const InputFileError& error) {
        return error.what();
    }
    return "no error";
}

TEST(TextStream, RecognisesCrLfLfAndLoneCrBreaks) {
    test::TempDir dir;
    TextStream stream(dir.Write("mixed.txt", "a\r\nb\nc\rd\r\n\r\n\n\re"), "File");
    EXPECT_THAT(AllLines(stream), ElementsAre("a", "b", "c", "d", "", "", "", "e"));
    EXPECT_EQ(stream.Line(), 9);
}

TEST(TextStream, KeepsBytesNearTheBreakCharactersInTheLine) {
    // Bytes one off LF or CR, or with the high bit added to them, are no breaks.
    test::TempDir dir;
    std::string odd = "a\t\v\f\x0e\x01\x8a\x8d";
    odd += '\0';
    odd += 'b';
    TextStream stream(dir.Write("odd.txt", odd + "\n" + odd + odd + "\r\n"), "File");
    EXPECT_THAT(AllLines(stream), ElementsAre(odd, odd + odd));
}

TEST(TextStream, SplitsLinesAlikeWhateverTheChunkSize) {
    // Every chunk size puts a chunk boundary somewhere else, among them between the CR and LF
    // of a CR LF pair and right after a lone CR.
    test::TempDir dir;
    const std::string path = dir.Write("split.txt", "ab\r\ncd\r\r\nef\r\r\n\ngh\r");
    for (std::size_t chunk = 1; chunk <= 20; ++chunk) {
        TextStream stream(path, "File", chunk);
        EXPECT_THAT(AllLines(stream), ElementsAre("ab", "cd", "", "ef", "", "", "gh"))
            << "chunk size " << chunk;
    }
}

TEST(TextStream, TracksLineNumbersAndEmptyLines) {
    test::TempDir dir;
    TextStream stream(dir.Write("lines.txt", "first\n\nthird\n"), "File");
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

TEST(TextStream, CloseReleasesTheFile) {
    test::TempDir dir;
    const std::string path = dir.Write("close.txt", "1\n2\n");
    const long before = test::OpenFileCount();
    TextStream stream(path, "File");
    EXPECT_EQ(test::OpenFileCount(), before + 1);
    stream.Close();
    EXPECT_EQ(test::OpenFileCount(), before);
    EXPECT_TRUE(stream.AtEndOfStream());
}

TEST(TextStream, ReadsTheLastLineWithoutABreak) {
    test::TempDir dir;
    TextStream stream(dir.Write("last.txt", "1\n2"), "File");
    EXPECT_THAT(AllLines(stream), ElementsAre("1", "2"));
}

TEST(TextStream, ReadingPastTheEndIsAnError) {
    test::TempDir dir;
    TextStream stream(dir.Write("two.txt", "1\n2\n"), "Y axys file 'two.txt'");
    stream.SkipLine();
    stream.SkipLine();
    try {
        stream.ReadLine();
        FAIL() << "read past the end";
    } catch (const InputFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Y axys file 'two.txt': the file ends after line 2"));
    }
    EXPECT_THROW(stream.SkipLine(), InputFileError);
}

TEST(TextStream, AnEmptyFileHasNoLines) {
    test::TempDir dir;
    TextStream stream(dir.Write("empty.txt", ""), "File");
    EXPECT_TRUE(stream.AtEndOfLine());
    EXPECT_TRUE(stream.AtEndOfStream());
    EXPECT_EQ(stream.Line(), 1);
    EXPECT_THROW(stream.ReadLine(), InputFileError);
}

TEST(TextStream, RefusesALineLongerThanOneMebibyte) {
    test::TempDir dir;
    const std::string longest(kMaxLineBytes, '7');
    TextStream fits(dir.Write("fits.txt", "x\r\n" + longest + "\r\ny"), "File");
    EXPECT_THAT(AllLines(fits), ElementsAre("x", longest, "y"));

    const std::string tooLong = "x\n" + longest + "7\ny\n";
    EXPECT_THAT(ErrorOf(dir.Write("long.txt", tooLong), "X axys file 'long.txt'"),
                HasSubstr("X axys file 'long.txt': line 2 is longer than 1 MiB"));
    // The same when the long line is the last one, without a break.
    EXPECT_THAT(ErrorOf(dir.Write("tail.txt", "x\n" + longest + "7"), "File"),
                HasSubstr("line 2 is longer than 1 MiB"));
}

TEST(TextStream, OpenErrorsNameTheFileAndTheCause) {
    test::TempDir dir;
    const std::string missing = (dir.Path() / "missing.dat").string();
    EXPECT_THAT(ErrorOf(missing, "X axys file '" + missing + "'"),
                HasSubstr("X axys file '" + missing + "': cannot open the file: No such file"));
    EXPECT_THAT(ErrorOf(dir.Path().string(), "Y axys file 'dir'"),
                HasSubstr("Y axys file 'dir': is a directory"));
    EXPECT_THAT(ErrorOf("", "Attribute 'T' file ''"),
                HasSubstr("Attribute 'T' file '': no file name given"));
}

TEST(TextStream, RefusesUtf16TextWithAHint) {
    test::TempDir dir;
    const std::string little = dir.Write("le.txt", std::string("\xFF\xFE"
                                                               "S\0I\0",
                                                               6));
    const std::string big = dir.Write("be.txt", std::string("\xFE\xFF\0S\0I", 6));
    const std::string unmarked = dir.Write("no_mark.txt", std::string("S\0I\0Z\0", 6));
    for (const auto& path : {little, big, unmarked}) {
        EXPECT_THAT(ErrorOf(path, "X axys file 'x'"),
                    HasSubstr("X axys file 'x': the file is UTF-16 text; save it as plain text"));
    }
}

TEST(TextStream, LeavesAUtf8ByteOrderMarkOutOfTheFirstLine) {
    test::TempDir dir;
    TextStream stream(dir.Write("bom.txt", "\xEF\xBB\xBF\n12\n"), "File", 1);
    EXPECT_TRUE(stream.AtEndOfLine());
    EXPECT_THAT(AllLines(stream), ElementsAre("", "12"));
}

}  // namespace
}  // namespace tesselar
