#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <string>

#include "settings/media_kind.h"
#include "unit_support.h"

namespace {

std::wstring ExtensionOf(const std::wstring& path) {
    wchar_t extension[kExtensionBufferSize];
    wmemset(extension, L'x', kExtensionBufferSize);
    GetExtension(path.c_str(), extension);
    return extension;
}

} // namespace

TEST(MediaKindExtension, TextAfterLastDotUnchangedInCase) {
    EXPECT_EQ(ExtensionOf(L"C:\\clips\\Clip.Mov"), L"Mov");
    EXPECT_EQ(ExtensionOf(L"archive.tar.gz"), L"gz");
    EXPECT_EQ(ExtensionOf(L"README"), L"");
    EXPECT_EQ(ExtensionOf(L"name."), L"");
    EXPECT_EQ(ExtensionOf(L"C:\\my.videos\\clip"), L"videos\\clip");
    EXPECT_EQ(ExtensionOf(L""), L"");
}

TEST(MediaKindExtension, LongTailIsCutToTheBuffer) {
    std::wstring extension = ExtensionOf(L"clip." + std::wstring(400, L'a'));
    EXPECT_EQ(extension.size(), (size_t)kExtensionBufferSize - 1);
}

TEST(MediaKindClassify, QuickTimeInAnyCase) {
    EXPECT_EQ(ClassifyMedia(L"clip.mov"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"CLIP.MOV"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"Clip.Mov"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"trailer.qt"), QuickTimeFile);
}

TEST(MediaKindClassify, CameraAndDownloadContainersTakeTheMovieRoute) {
    EXPECT_EQ(ClassifyMedia(L"D:\\camera\\00001.MTS"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"clip.m2ts"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"D:\\tuner\\news.ts"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"hdv.M2T"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"types.d.tsx"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"talk.webm"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"film.mkv"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia(L"film.mk"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"film.webmx"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"http://host/v/clip.webm"), QuickTimeFile);
}

TEST(MediaKindClassify, EveryListedExtension) {
    const char* quickTime[] = {"QT",  "MOV", "M4V", "MP4", "AAC", "M4A", "M4B", "M4P",
                               "3G2", "MQV", "AMC", "3GP", "MKV", "WEBM", "MTS", "M2TS",
                               "TS",  "M2T"};
    const char* directShow[] = {"ASF", "WMA",  "WMV", "AVI", "WAV", "MPA",  "MP2",
                                "MP3", "AU",   "AIF", "AIFF", "SND", "MID", "MIDI",
                                "RMI", "MPG", "MPEG", "M1V", "M2V"};
    for (const char* extension : quickTime) {
        std::string lower = std::string("c:\\a\\file.") + extension;
        for (char& c : lower) {
            c = (char)tolower((unsigned char)c);
        }
        EXPECT_EQ(ClassifyMedia(unit::W(std::string("file.") + extension).c_str()), QuickTimeFile)
            << extension;
        EXPECT_EQ(ClassifyMedia(unit::W(lower).c_str()), QuickTimeFile) << lower;
    }
    for (const char* extension : directShow) {
        EXPECT_EQ(ClassifyMedia(unit::W(std::string("file.") + extension).c_str()), DirectShowFile)
            << extension;
    }
}

TEST(MediaKindClassify, DirectShowEdgeCases) {
    EXPECT_EQ(ClassifyMedia(L"sound.au"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia(L"song.mp3"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia(L"tune.mid"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia(L"tune.midi"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia(L"tune.rmi"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia(L"movie.mpeg"), DirectShowFile);
}

TEST(MediaKindClassify, WholeExtensionOnly) {
    EXPECT_EQ(ClassifyMedia(L"movie.mpe"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"movie.mpeg2"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"clip.avi "), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"clip.m"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"list.asx"), NotPlayable);
}

TEST(MediaKindClassify, NoUsableExtension) {
    EXPECT_EQ(ClassifyMedia(L"README"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"name."), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"archive.tar.gz"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L""), NotPlayable);
    EXPECT_EQ(ClassifyMedia(L"C:\\my.videos\\clip"), NotPlayable);
}

TEST(MediaKindClassify, OverlongExtensionIsNotPlayable) {
    std::wstring path = L"clip." + std::wstring(300, L'x');
    EXPECT_EQ(ClassifyMedia(path.c_str()), NotPlayable);
}

TEST(MediaKindClassify, OnlyAsciiLettersAreFolded) {
    // Shift-JIS bytes are left alone by the case folding.
    EXPECT_EQ(ClassifyMedia(L"\x83\x72\x83\x66\x83\x49.avi"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia(L"clip.\x82\x60VI"), NotPlayable);
}

TEST(MediaKindClassify, FolderMarkersDoNotChangeTheKind) {
    EXPECT_EQ(ClassifyMedia(L"D:\\media.wmv\\holiday.avi"), DirectShowFile);
    EXPECT_TRUE(IsWindowsMediaPath(L"D:\\media.wmv\\holiday.avi"));
}

TEST(MediaKindWindowsMedia, MarkersInAnyCase) {
    EXPECT_TRUE(IsWindowsMediaPath(L"clip.WMV"));
    EXPECT_TRUE(IsWindowsMediaPath(L"clip.wma"));
    EXPECT_TRUE(IsWindowsMediaPath(L"clip.ASF"));
    EXPECT_TRUE(IsWindowsMediaPath(L"a.WmA.txt"));
    EXPECT_FALSE(IsWindowsMediaPath(L"clip.avi"));
    EXPECT_FALSE(IsWindowsMediaPath(L"clip.wm"));
    EXPECT_FALSE(IsWindowsMediaPath(L"clipwmv"));
    EXPECT_FALSE(IsWindowsMediaPath(L""));
}

TEST(MediaKindWindowsMedia, UrlWithQuery) {
    EXPECT_EQ(ClassifyMedia(L"http://example.com/media/clip.wmv"), DirectShowFile);
    EXPECT_TRUE(IsWindowsMediaPath(L"http://example.com/media/clip.wmv"));
    EXPECT_EQ(ClassifyMedia(L"http://example.com/media/clip.wmv?start=10"), NotPlayable);
    EXPECT_TRUE(IsWindowsMediaPath(L"http://example.com/media/clip.wmv?start=10"));
}

TEST(MediaKindWindowsMedia, MarkerPastAnyFixedBuffer) {
    std::wstring path = L"C:\\" + std::wstring(3000, L'a') + L".wmv";
    EXPECT_TRUE(IsWindowsMediaPath(path.c_str()));
}
