// Every fixture packed by the native compressor expands through LZOpenFileA and LZCopy to the
// exact original bytes, and the header gives back the name's lost last character.
#include <gtest/gtest.h>

#include <windows.h>
#include <lzexpand.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

std::vector<std::string> FixtureNames() {
    std::string list;
    EXPECT_TRUE(ReadWholeFile(BinPath("szdd\\names.txt"), &list));
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t end; (end = list.find('\n', start)) != std::string::npos; start = end + 1)
        names.push_back(list.substr(start, end - start));
    return names;
}

std::string Expand(const std::string& packed, const std::string& target, LONG* copied) {
    OFSTRUCT sourceInfo = {};
    OFSTRUCT targetInfo = {};
    INT source = LZOpenFileA(const_cast<char*>(packed.c_str()), &sourceInfo, OF_READ);
    INT dest = LZOpenFileA(const_cast<char*>(target.c_str()), &targetInfo, OF_CREATE);
    *copied = source >= 0 && dest >= 0 ? LZCopy(source, dest) : -1;
    if (source >= 0)
        LZClose(source);
    if (dest >= 0)
        LZClose(dest);
    std::string text;
    ReadWholeFile(target, &text);
    return text;
}

TEST(SzddRoundTrip, EveryFixtureExpandsToItsOriginal) {
    std::vector<std::string> names = FixtureNames();
    ASSERT_GE(names.size(), 20u);
    const std::string work = WindowsDir() + "szddtest\\";
    CreateDirectoryA(work.c_str(), nullptr);
    size_t packedTotal = 0;
    size_t plainTotal = 0;
    for (const std::string& name : names) {
        std::string original;
        ASSERT_TRUE(ReadWholeFile(BinPath(("szdd\\" + name).c_str()), &original)) << name;
        std::string packedName = name;
        packedName.back() = '_';
        const std::string packed = BinPath(("szdd\\" + packedName).c_str());
        std::string image;
        ASSERT_TRUE(ReadWholeFile(packed, &image)) << packedName;
        // A plain copy would also pass the comparison: the file must really be packed.
        ASSERT_GE(image.size(), 14u);
        EXPECT_EQ(image.substr(0, 9), std::string("SZDD\x88\xF0\x27\x33"
                                                  "A"));
        EXPECT_EQ(image[9], name.back()) << name;
        EXPECT_EQ(*reinterpret_cast<const uint32_t*>(image.data() + 10), original.size());

        LONG copied = 0;
        std::string expanded = Expand(packed, work + name, &copied);
        EXPECT_EQ(copied, static_cast<LONG>(original.size())) << name;
        EXPECT_TRUE(expanded == original)
            << name << ": " << expanded.size() << " bytes, " << original.size() << " expected";

        char expandedName[MAX_PATH];
        ASSERT_EQ(GetExpandedNameA(const_cast<char*>(packed.c_str()), expandedName), 1);
        EXPECT_EQ(std::string(expandedName), BinPath(("szdd\\" + name).c_str()));
        packedTotal += image.size();
        plainTotal += original.size();
        DeleteFileA((work + name).c_str());
    }
    RemoveDirectoryA(work.c_str());
    printf("%zu bytes packed into %zu\n", plainTotal, packedTotal);
}

TEST(SzddRoundTrip, RepetitiveTextShrinksAndRandomBytesGrowByTheFlagsOnly) {
    std::string text, packedText, random, packedRandom;
    ASSERT_TRUE(ReadWholeFile(BinPath("szdd\\TEXT.TXT"), &text));
    ASSERT_TRUE(ReadWholeFile(BinPath("szdd\\TEXT.TX_"), &packedText));
    ASSERT_TRUE(ReadWholeFile(BinPath("szdd\\RANDOM.BIN"), &random));
    ASSERT_TRUE(ReadWholeFile(BinPath("szdd\\RANDOM.BI_"), &packedRandom));
    EXPECT_LT(packedText.size(), text.size() / 2);
    EXPECT_LE(packedRandom.size(), 14 + random.size() + (random.size() + 7) / 8);
}

} // namespace
