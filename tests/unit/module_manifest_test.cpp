// The application manifest inside the built Flickvane.scr, read back from its resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "unit_support.h"

namespace {

// The text of the module's manifest resource; empty when there is none.
std::string ManifestText(const std::string& modulePath) {
    HMODULE module = LoadLibraryExA(modulePath.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        return std::string();
    }
    std::string text;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? (const char*)LockResource(loaded) : nullptr;
    if (bytes != nullptr) {
        text.assign(bytes, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

// Whitespace runs become one blank, so the checks do not depend on the file's line breaks.
std::string Squeezed(const std::string& text) {
    std::string out;
    for (char c : text) {
        bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (!blank) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    return out;
}

class ModuleManifest : public ::testing::Test {
protected:
    void SetUp() override {
        manifest = Squeezed(ManifestText(unit::ExeFolder() + "Flickvane.scr"));
        ASSERT_FALSE(manifest.empty()) << "no manifest resource 1 in Flickvane.scr";
    }
    bool Has(const std::string& piece) const { return manifest.find(piece) != std::string::npos; }

    std::string manifest;
};

TEST_F(ModuleManifest, IsOneAssembly) {
    EXPECT_EQ(manifest.rfind("<?xml", 0), 0u);
    EXPECT_TRUE(Has("<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"));
    EXPECT_TRUE(Has("</assembly>"));
    EXPECT_EQ(manifest.find("<assembly "), manifest.rfind("<assembly "));
}

TEST_F(ModuleManifest, PerMonitorV2DpiAwarenessWithPerMonitorFallback) {
    EXPECT_TRUE(Has("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                    "PerMonitorV2, PerMonitor</dpiAwareness>"));
    // Windows before 10 1607 read only this one.
    EXPECT_TRUE(Has("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                    "true/pm</dpiAware>"));
}

TEST_F(ModuleManifest, CommonControlsSix) {
    EXPECT_TRUE(Has("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_TRUE(Has("publicKeyToken=\"6595b64144ccf1df\""));
}

TEST_F(ModuleManifest, RunsAsTheInvokerWithoutVirtualisation) {
    EXPECT_TRUE(Has("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
}

TEST_F(ModuleManifest, NamesTheSupportedWindowsVersions) {
    for (const char* id : {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",   // 10 and 11
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
                           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}) { // 7
        EXPECT_TRUE(Has(std::string("<supportedOS Id=\"") + id + "\"/>")) << id;
    }
}

} // namespace
