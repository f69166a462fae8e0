// Line, field and installed-set formats, checked on in-memory images.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model_install.h"
#include "scanner_formats.h"

namespace {

std::vector<std::string> Lines(const std::string& image) {
    TextLineCursor cursor = {image.data(), image.size(), 0};
    std::vector<std::string> lines;
    char line[kListLineChars + 1];
    while (NextTextLine(&cursor, line))
        lines.push_back(line);
    return lines;
}

TEST(ScannerLine, FieldsSeparatedByPaddedBarsOrSingleSpacesParseAlike) {
    for (const char* line :
         {"   12       |  Vexa_FlatBed_IIc          | ORVDR12.EX_  |  IVEXSCAN\r\n",
          "12 Vexa_FlatBed_IIc ORVDR12.EX_ IVEXSCAN",
          "\t12\t|Vexa_FlatBed_IIc||ORVDR12.EX_ |IVEXSCAN\n"}) {
        ScannerFields fields;
        EXPECT_EQ(ParseScannerLine(line, &fields), 12) << line;
        EXPECT_STREQ(fields.id, "12");
        EXPECT_STREQ(fields.model, "Vexa FlatBed IIc");
        EXPECT_STREQ(fields.driver, "ORVDR12.EX_");
        EXPECT_STREQ(fields.code, "IVEXSCAN");
    }
}

TEST(ScannerLine, MissingFieldsAreEmptyAndNonDataLinesAreRejected) {
    ScannerFields fields;
    EXPECT_EQ(ParseScannerLine("12 | Vexa_FlatBed_IIc ||\r\n", &fields), 12);
    EXPECT_STREQ(fields.model, "Vexa FlatBed IIc");
    EXPECT_STREQ(fields.driver, "");
    EXPECT_STREQ(fields.code, "");
    for (const char* line : {"| 12 | Vexa_FlatBed_IIc | ORVDR12.EX_ | IVEXSCAN", "", "\r\n",
                             "   \t ", "; 12 comment", "Scanner models", "\x1a", "-5 X Y Z"})
        EXPECT_EQ(ParseScannerLine(line, &fields), -1) << line;
}

TEST(ScannerLine, LongFieldsAreCutAndOutOfRangeIdsNameNoModel) {
    ScannerFields fields;
    const std::string model(40, 'M');
    std::string line = "7 " + model + " " + std::string(40, 'D') + " T" + std::string(40, 'x');
    EXPECT_EQ(ParseScannerLine(line.c_str(), &fields), 7);
    EXPECT_EQ(std::string(fields.model), model.substr(0, kTextFieldChars));
    EXPECT_EQ(std::string(fields.driver), std::string(kTextFieldChars, 'D'));
    EXPECT_EQ(strlen(fields.code), size_t(kTextFieldChars));

    // The id text is cut to 11 characters, its value still comes from all its digits.
    EXPECT_EQ(ParseScannerLine("000000000012345 A B C", &fields), 12345);
    EXPECT_STREQ(fields.id, "00000000001");
    EXPECT_EQ(ParseScannerLine("00000000012 A B C", &fields), 12);
    EXPECT_EQ(ParseScannerLine("32767 A B C", &fields), 32767);
    EXPECT_EQ(ParseScannerLine("65548 A B C", &fields), -1); // would alias id 12 in 16 bits
    EXPECT_EQ(ParseScannerLine("12abc A B C", &fields), 12);
}

// The model a line gives its programs; a driver name that would leave its directory (a damaged or
// hostile list) names no file at all.
TEST(ModelChoice, NamesFromTheLineAndNoPathOutOfTheDirectory) {
    ScannerFields fields;
    ModelChoice choice;
    ASSERT_EQ(ParseScannerLine("  7 | Kelto_ColorPro | ORVDR07.EX_ | ICOLORPRO", &fields), 7);
    EXPECT_TRUE(ChooseModel(7, fields, &choice));
    EXPECT_EQ(choice.kind, ScannerKind::PixelDriver);
    EXPECT_STREQ(choice.driverProgram, "ORVDR07.EXE");
    EXPECT_STREQ(choice.pixelSource, "COLORPRO.PX_");
    EXPECT_STREQ(choice.pixelFile, "COLORPRO.PXW");
    for (const char* line :
         {"  7 | V | ..\\..\\VICTIM.EX_ | T", "  7 | V | D/X.EX_ | Y",
          "  7 | V | ORVDR07.EX_ | IC:PIX", "  7 | V | ORVDR07.EX_ | I..\\PIX"}) {
        ASSERT_EQ(ParseScannerLine(line, &fields), 7) << line;
        EXPECT_FALSE(ChooseModel(7, fields, &choice)) << line;
        EXPECT_EQ(choice.id, 7);
        EXPECT_STREQ(choice.driverProgram, "") << line;
        EXPECT_STREQ(choice.pixelFile, "") << line;
    }
}

TEST(TextLines, CrLfControlZAndNulMarkerReadAsTextMode) {
    std::vector<std::string> lines = Lines("1 A\r\n\r\n2 B\rC\n3 D\r\n\x1a"
                                           "4 hidden\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "1 A\n");
    EXPECT_EQ(lines[1], "\n");
    EXPECT_EQ(lines[2], "2 B\rC\n");
    EXPECT_EQ(lines[3], "3 D\n");
    lines = Lines(std::string("1 A\r\n7 X\0Y Z\r\n\0", 15));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "7 X");
    EXPECT_EQ(lines[2], "");
}

TEST(TextLines, LongLinesArriveInPiecesOf127) {
    std::string first = "5 " + std::string(kListLineChars - 2, 'x');
    std::vector<std::string> lines = Lines(first + "42 tail\r\n6 Next\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], "42 tail\n");
    ScannerFields fields;
    EXPECT_EQ(ParseScannerLine(lines[1].c_str(), &fields), 42);
}

TEST(InstalledSet, BytesFollowAddAndRemove) {
    InstalledSet set;
    ClearInstalledSet(&set);
    EXPECT_EQ(ChangeInstalledSet(&set, 12, InstalledChange::Add), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(set.bytes), set.length), "\x31\x3c");
    EXPECT_EQ(ChangeInstalledSet(&set, 5, InstalledChange::Add), 2);
    EXPECT_EQ(ChangeInstalledSet(&set, 5, InstalledChange::Add), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(set.bytes), set.length), "\x32\x3c\x35");
    EXPECT_TRUE(IsScannerInstalled(&set, 12));
    EXPECT_FALSE(IsScannerInstalled(&set, 13));
    EXPECT_EQ(ChangeInstalledSet(&set, 12, InstalledChange::Remove), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(set.bytes), set.length), "\x31\x35");
    EXPECT_EQ(ChangeInstalledSet(&set, 40, InstalledChange::Remove), 1);
}

TEST(InstalledSet, IdsOutsideAByteAndAFullCountAreRefused) {
    InstalledSet set;
    ClearInstalledSet(&set);
    for (int id : {-1, 208, 300, 12 + 256})
        EXPECT_EQ(ChangeInstalledSet(&set, id, InstalledChange::Add), -1) << id;
    EXPECT_EQ(set.length, 1);
    EXPECT_EQ(ChangeInstalledSet(&set, 207, InstalledChange::Add), 1);
    EXPECT_EQ(set.bytes[1], 0xFF);
    for (int id = 0; id < 206; ++id)
        ChangeInstalledSet(&set, id, InstalledChange::Add);
    EXPECT_EQ(InstalledCount(&set), 207);
    EXPECT_EQ(set.bytes[0], 0xFF);
    EXPECT_EQ(ChangeInstalledSet(&set, 206, InstalledChange::Add), -1);
    EXPECT_EQ(InstalledCount(&set), 207);
}

TEST(InstalledSet, CountByteIsTrustedOnlyAsFarAsTheBytesReach) {
    InstalledSet set;
    LoadInstalledSet(reinterpret_cast<const uint8_t*>("9<5"), 3, &set);
    EXPECT_EQ(InstalledCount(&set), 2);
    EXPECT_EQ(ChangeInstalledSet(&set, 7, InstalledChange::Add), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(set.bytes), set.length), "3<57");
    LoadInstalledSet(reinterpret_cast<const uint8_t*>(""), 0, &set);
    EXPECT_EQ(InstalledCount(&set), 0);
    LoadInstalledSet(reinterpret_cast<const uint8_t*>("\x05<"), 2, &set);
    EXPECT_EQ(InstalledCount(&set), 0);
    EXPECT_FALSE(IsScannerInstalled(&set, 12));
}

} // namespace
