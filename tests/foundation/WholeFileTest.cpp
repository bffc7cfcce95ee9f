#include "foundation/WholeFile.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kal;

TEST(WholeFile, readsEveryByteAndRefusesWhatHasNoBoundedEnd) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();

    const std::string plain = folder + "/plain.bin";
    const std::string content("a\0b\r\nc", 6);
    std::ofstream(plain, std::ios::binary) << content;
    std::vector<char> bytes;
    EXPECT_EQ(readWholeFile(plain, bytes), "");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);

    const std::string empty = folder + "/empty.bin";
    std::ofstream(empty, std::ios::binary).flush();
    EXPECT_EQ(readWholeFile(empty, bytes), "");
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(bytes.data(), nullptr);

    // refused on its size alone: the sparse file costs no disk and nothing is allocated for it
    const std::string huge = folder + "/huge.bin";
    std::ofstream(huge, std::ios::binary).flush();
    ASSERT_EQ(::truncate(huge.c_str(), off_t(maxWholeFileBytes) + 1), 0);
    EXPECT_NE(readWholeFile(huge, bytes), "");
    EXPECT_TRUE(bytes.empty());

    // a pipe would block the read until a writer closed it
    const std::string fifo = folder + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(readWholeFile(fifo, bytes), "");
    EXPECT_NE(readWholeFile(folder + "/missing.bin", bytes), "");
}
