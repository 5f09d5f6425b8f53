// The places kept for "Resume": the file's text, its bound, where an item starts again, and
// the file written whole or not at all.
#include <gtest/gtest.h>

#include <string>

#include "settings/resume_places.h"
#include "unit_support.h"

namespace {

constexpr LONGLONG kSecond = 10000000;

TEST(ResumeText, ReadsBackWhatItWrites) {
    ResumeState state;
    state.current = L"D:\\\u52d5\u753b\\caf\u00e9 \U0001F600.mp4"; // outside any code page
    state.order = {L"C:\\b.avi", L"http://example.com/c.mp4"};
    state.places = {{L"C:\\b.avi", 95 * kSecond}, {state.current, 1234567}};
    ResumeState read;
    ASSERT_TRUE(ParseResumeText(FormatResumeText(state), &read));
    EXPECT_EQ(read.current, state.current);
    EXPECT_EQ(read.order, state.order);
    ASSERT_EQ(read.places.size(), 2u);
    EXPECT_EQ(read.places[1].path, state.current);
    EXPECT_EQ(read.places[1].position, 1234567);
    EXPECT_EQ(PlaceOf(read, L"c:\\B.AVI"), 95 * kSecond) << "paths compare without case";
    EXPECT_EQ(PlaceOf(read, L"C:\\other.avi"), -1);
}

TEST(ResumeText, ForeignOrDamagedTextGivesNothingOrOnlyWhatReads) {
    ResumeState read;
    EXPECT_FALSE(ParseResumeText("", &read));
    EXPECT_FALSE(ParseResumeText("[Flickvane]\r\nCurrent=C:\\a.avi\r\n", &read));
    EXPECT_TRUE(read.current.empty());
    EXPECT_FALSE(ParseResumeText(std::string("\xff\xfe[\0F\0", 6), &read));
    ASSERT_TRUE(ParseResumeText("[Flickvane resume 1]\nCurrent=C:\\a.avi\ngarbage\n"
                                "Place=12x|C:\\a.avi\nPlace=-5|C:\\a.avi\nPlace=5\n"
                                "Place=700000000|\nPlace=900000000|C:\\b.avi",
                                &read));
    EXPECT_EQ(read.current, L"C:\\a.avi");
    ASSERT_EQ(read.places.size(), 1u);
    EXPECT_EQ(read.places[0].path, L"C:\\b.avi");
}

TEST(ResumeText, KeepsTheNewestThousandPlaces) {
    ResumeState state;
    for (int i = 0; i < 1005; ++i) {
        RememberPlace(&state, L"C:\\" + std::to_wstring(i) + L".mp4", (i + 1) * kSecond);
    }
    ASSERT_EQ(state.places.size(), kMostResumePlaces);
    EXPECT_EQ(PlaceOf(state, L"C:\\4.mp4"), -1) << "the oldest went";
    EXPECT_EQ(PlaceOf(state, L"C:\\5.mp4"), 6 * kSecond);
    RememberPlace(&state, L"C:\\5.mp4", 3 * kSecond); // again: now the newest
    RememberPlace(&state, L"C:\\new.mp4", 3 * kSecond);
    ASSERT_EQ(state.places.size(), kMostResumePlaces);
    EXPECT_EQ(PlaceOf(state, L"C:\\6.mp4"), -1);
    EXPECT_EQ(PlaceOf(state, L"C:\\5.mp4"), 3 * kSecond);
    EXPECT_EQ(state.places.back().path, L"C:\\new.mp4");
    ForgetPlace(&state, L"C:\\5.mp4");
    EXPECT_EQ(PlaceOf(state, L"C:\\5.mp4"), -1);
}

TEST(ResumeText, LongItemsStartALittleBeforeWhereTheyWereLeft) {
    EXPECT_EQ(ResumeStart(30 * kSecond, 120 * kSecond), 28 * kSecond);
    EXPECT_EQ(ResumeStart(30 * kSecond, 60 * kSecond), 28 * kSecond);
    EXPECT_EQ(ResumeStart(30 * kSecond, 59 * kSecond), 0) << "shorter than a minute";
    EXPECT_EQ(ResumeStart(111 * kSecond, 120 * kSecond), 0) << "left within its last 10 s";
    EXPECT_EQ(ResumeStart(110 * kSecond, 120 * kSecond), 108 * kSecond);
    EXPECT_EQ(ResumeStart(kSecond, 120 * kSecond), 0);
    EXPECT_EQ(ResumeStart(-1, 120 * kSecond), 0);
    EXPECT_EQ(ResumeStart(30 * kSecond, 0), 0) << "length unknown";
}

TEST(ResumeFile, WrittenWholeInPlaceAndReadBack) {
    std::wstring folder = unit::FreshTempFolder(L"resume");
    SetResumeFolder(folder.c_str());
    ResumeState state;
    ReadResumeFile(&state);
    EXPECT_TRUE(state.current.empty()) << "no file: from the beginning";
    state.current = L"C:\\a.mp4";
    RememberPlace(&state, L"C:\\a.mp4", 90 * kSecond);
    ASSERT_TRUE(WriteResumeFile(state));
    state.current = L"C:\\b.mp4";
    ASSERT_TRUE(WriteResumeFile(state));
    ResumeState read;
    ReadResumeFile(&read);
    EXPECT_EQ(read.current, L"C:\\b.mp4");
    EXPECT_EQ(PlaceOf(read, L"C:\\a.mp4"), 90 * kSecond);
    EXPECT_EQ(unit::FilesIn(folder), std::vector<std::wstring>{L"resume.ini"})
        << "nothing left beside it";
    // A damaged file is no file.
    unit::WriteBytes(folder + L"\\resume.ini", std::string(300, '\x01'));
    ReadResumeFile(&read);
    EXPECT_TRUE(read.current.empty());
    EXPECT_TRUE(read.places.empty());
    SetResumeFolder(nullptr);
}

} // namespace
