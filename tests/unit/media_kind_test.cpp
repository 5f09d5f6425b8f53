#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <string>

#include "settings/media_kind.h"

namespace {

std::string ExtensionOf(const char* path) {
    char extension[kExtensionBufferSize];
    memset(extension, 'x', sizeof(extension));
    GetExtension(path, extension);
    return extension;
}

} // namespace

TEST(MediaKindExtension, TextAfterLastDotUnchangedInCase) {
    EXPECT_EQ(ExtensionOf("C:\\clips\\Clip.Mov"), "Mov");
    EXPECT_EQ(ExtensionOf("archive.tar.gz"), "gz");
    EXPECT_EQ(ExtensionOf("README"), "");
    EXPECT_EQ(ExtensionOf("name."), "");
    EXPECT_EQ(ExtensionOf("C:\\my.videos\\clip"), "videos\\clip");
    EXPECT_EQ(ExtensionOf(""), "");
}

TEST(MediaKindExtension, LongTailIsCutToTheBuffer) {
    std::string path = "clip." + std::string(400, 'a');
    std::string extension = ExtensionOf(path.c_str());
    EXPECT_EQ(extension.size(), (size_t)kExtensionBufferSize - 1);
}

TEST(MediaKindClassify, QuickTimeInAnyCase) {
    EXPECT_EQ(ClassifyMedia("clip.mov"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia("CLIP.MOV"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia("Clip.Mov"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia("trailer.qt"), QuickTimeFile);
}

TEST(MediaKindClassify, CameraAndDownloadContainersTakeTheMovieRoute) {
    EXPECT_EQ(ClassifyMedia("D:\\camera\\00001.MTS"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia("clip.m2ts"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia("talk.webm"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia("film.mkv"), QuickTimeFile);
    EXPECT_EQ(ClassifyMedia("film.mk"), NotPlayable);
    EXPECT_EQ(ClassifyMedia("film.webmx"), NotPlayable);
    EXPECT_EQ(ClassifyMedia("http://host/v/clip.webm"), QuickTimeFile);
}

TEST(MediaKindClassify, EveryListedExtension) {
    const char* quickTime[] = {"QT",  "MOV", "M4V", "MP4", "AAC", "M4A", "M4B", "M4P",
                               "3G2", "MQV", "AMC", "3GP", "MKV", "WEBM", "MTS", "M2TS"};
    const char* directShow[] = {"ASF", "WMA",  "WMV", "AVI", "WAV", "MPA",  "MP2",
                                "MP3", "AU",   "AIF", "AIFF", "SND", "MID", "MIDI",
                                "RMI", "MPG", "MPEG", "M1V", "M2V"};
    for (const char* extension : quickTime) {
        std::string lower = std::string("c:\\a\\file.") + extension;
        for (char& c : lower) {
            c = (char)tolower((unsigned char)c);
        }
        EXPECT_EQ(ClassifyMedia((std::string("file.") + extension).c_str()), QuickTimeFile)
            << extension;
        EXPECT_EQ(ClassifyMedia(lower.c_str()), QuickTimeFile) << lower;
    }
    for (const char* extension : directShow) {
        EXPECT_EQ(ClassifyMedia((std::string("file.") + extension).c_str()), DirectShowFile)
            << extension;
    }
}

TEST(MediaKindClassify, DirectShowEdgeCases) {
    EXPECT_EQ(ClassifyMedia("sound.au"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia("song.mp3"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia("tune.mid"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia("tune.midi"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia("tune.rmi"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia("movie.mpeg"), DirectShowFile);
}

TEST(MediaKindClassify, WholeExtensionOnly) {
    EXPECT_EQ(ClassifyMedia("movie.mpe"), NotPlayable);
    EXPECT_EQ(ClassifyMedia("movie.mpeg2"), NotPlayable);
    EXPECT_EQ(ClassifyMedia("clip.avi "), NotPlayable);
    EXPECT_EQ(ClassifyMedia("clip.m"), NotPlayable);
    EXPECT_EQ(ClassifyMedia("list.asx"), NotPlayable);
}

TEST(MediaKindClassify, NoUsableExtension) {
    EXPECT_EQ(ClassifyMedia("README"), NotPlayable);
    EXPECT_EQ(ClassifyMedia("name."), NotPlayable);
    EXPECT_EQ(ClassifyMedia("archive.tar.gz"), NotPlayable);
    EXPECT_EQ(ClassifyMedia(""), NotPlayable);
    EXPECT_EQ(ClassifyMedia("C:\\my.videos\\clip"), NotPlayable);
}

TEST(MediaKindClassify, OverlongExtensionIsNotPlayable) {
    std::string path = "clip." + std::string(300, 'x');
    EXPECT_EQ(ClassifyMedia(path.c_str()), NotPlayable);
}

TEST(MediaKindClassify, OnlyAsciiLettersAreFolded) {
    // Shift-JIS bytes are left alone by the case folding.
    EXPECT_EQ(ClassifyMedia("\x83\x72\x83\x66\x83\x49.avi"), DirectShowFile);
    EXPECT_EQ(ClassifyMedia("clip.\x82\x60VI"), NotPlayable);
}

TEST(MediaKindClassify, FolderMarkersDoNotChangeTheKind) {
    EXPECT_EQ(ClassifyMedia("D:\\media.wmv\\holiday.avi"), DirectShowFile);
    EXPECT_TRUE(IsWindowsMediaPath("D:\\media.wmv\\holiday.avi"));
}

TEST(MediaKindWindowsMedia, MarkersInAnyCase) {
    EXPECT_TRUE(IsWindowsMediaPath("clip.WMV"));
    EXPECT_TRUE(IsWindowsMediaPath("clip.wma"));
    EXPECT_TRUE(IsWindowsMediaPath("clip.ASF"));
    EXPECT_TRUE(IsWindowsMediaPath("a.WmA.txt"));
    EXPECT_FALSE(IsWindowsMediaPath("clip.avi"));
    EXPECT_FALSE(IsWindowsMediaPath("clip.wm"));
    EXPECT_FALSE(IsWindowsMediaPath("clipwmv"));
    EXPECT_FALSE(IsWindowsMediaPath(""));
}

TEST(MediaKindWindowsMedia, UrlWithQuery) {
    EXPECT_EQ(ClassifyMedia("http://example.com/media/clip.wmv"), DirectShowFile);
    EXPECT_TRUE(IsWindowsMediaPath("http://example.com/media/clip.wmv"));
    EXPECT_EQ(ClassifyMedia("http://example.com/media/clip.wmv?start=10"), NotPlayable);
    EXPECT_TRUE(IsWindowsMediaPath("http://example.com/media/clip.wmv?start=10"));
}

TEST(MediaKindWindowsMedia, MarkerPastAnyFixedBuffer) {
    std::string path = "C:\\" + std::string(3000, 'a') + ".wmv";
    EXPECT_TRUE(IsWindowsMediaPath(path.c_str()));
}
