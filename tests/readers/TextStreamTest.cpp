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
    test::TempDir dir_;
};

// Every chunk size puts a chunk boundary somewhere else, among them between the CR and LF of a
// CR LF pair and right after a lone CR. Bytes one off LF or CR, or with the high bit added to
// them, are no breaks; the last line needs no break and a break at the end starts no other
// line; a UTF-8 byte order mark is no text.
TEST_F(TextStreamTest, SplitsLinesAtCrLfLfAndLoneCrWhateverTheChunkSize) {
    const std::string odd = std::string("a\t\v\f\x0e\x01\x8a\x8d") + '\0' + 'b';
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb\nc\rd\r\n\r\n\n\re", {"a", "b", "c", "d", "", "", "", "e"}},
        {"ab\r\ncd\r\r\nef\r\r\n\ngh\r", {"ab", "cd", "", "ef", "", "", "gh"}},
        {odd + "\n" + odd + odd + "\r\n", {odd, odd + odd}},
        {"\xEF\xBB\xBF\n12\n", {"", "12"}},
        {"first\n\nthird\n", {"first", "", "third"}},
        {"", {}},
    };
    for (const auto& [text, lines] : cases) {
        const std::string path = dir_.Write("split.txt", text);
        for (std::size_t chunk = 1; chunk <= 20; ++chunk) {
            TextStream stream(path, "File", {}, chunk);
            EXPECT_THAT(AllLines(stream), ElementsAreArray(lines)) << "chunk size " << chunk;
            std::string_view line;
            EXPECT_FALSE(stream.NextLine(line));
            EXPECT_EQ(stream.Line(), std::ssize(lines) + 1);
        }
    }
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

TEST_F(TextStreamTest, ErrorsNameTheFileAndTheCause) {
    const std::string longest(kMaxLineBytes, '7');
    TextStream fits(dir_.Write("fits.txt", "x\r\n" + longest + "\r\ny"), "File", {});
    EXPECT_THAT(AllLines(fits), ElementsAre("x", longest, "y"));

    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {dir_.Write("long.txt", "x\n" + longest + "7\ny\n"), "F: line 2 is longer than 1 MiB"},
        {dir_.Write("tail.txt", "x\n" + longest + "7"), "F: line 2 is longer than 1 MiB"},
        {dir_ / "missing.dat", "F: cannot open the file: No such file"},
        {dir_.Path().string(), "F: is a directory"},
        {"", "F: no file name given"},
        // Devices give no text read once to its end: /dev/null would read as an empty file.
        {"/dev/null", "F: is a character device, not a text file"},
        {"/dev/zero", "F: is a character device, not a text file"},
        {dir_.Write("le.txt", std::string("\xFF\xFES\0I\0", 6)), "F: the file is UTF-16 text"},
        {dir_.Write("be.txt", std::string("\xFE\xFF\0S\0I", 6)), "F: the file is UTF-16 text"},
        {dir_.Write("no_bom.txt", std::string("S\0I\0Z\0", 6)),
         "F: the file is UTF-16 text; save it as plain text"},
    };
    for (const auto& [path, message] : cases) {
        EXPECT_THAT(
            [&] {
                TextStream stream(path, "F", {});
                AllLines(stream);
            },
            testing::ThrowsMessage<InputFileError>(HasSubstr(message)))
            << path;
    }
}

}  // namespace
}  // namespace tesselar
