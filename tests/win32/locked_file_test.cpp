// A definition file that another program holds open without sharing: it is there,
// but it cannot be read. Start warns, loads nothing of it and keeps the line and the
// keys it had. And the files of the line check: which paths are one file, and a file
// written whole or not at all, never over one that another program made or holds.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <set>
#include <string>

#include "fakes/fakes.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace vkm::testing {
namespace {

struct LockedFileTest : ::testing::Test {
    LockedFileTest() {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        dir = FromWide(temp) + "vkm_locked_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryW(ToWide(dir).c_str(), nullptr);
    }
    ~LockedFileTest() override {
        for (const char* name : {"first.vkm", "Zamčená.vkm"}) DeleteFileW(ToWide(dir + name).c_str());
        RemoveDirectoryW(ToWide(dir).c_str());
    }
    void Write(const std::string& name, const std::string& text) {
        HANDLE h =
            CreateFileW(ToWide(dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
    }
    void Select(const std::string& name) {
        w.form.AddDefinition(dir + name);
        w.form.cmbLinkaChange(static_cast<int>(w.form.cmbLinkaItems.size()) - 1);
    }

    std::string dir;
    FakeWindowOn<Win32FileSystem> w;
};

TEST_F(LockedFileTest, StartWarnsAndKeepsTheLineStartedBefore) {
    Write("first.vkm", "[Info]\r\nName=First\r\n[Hlaseni]\r\n1=a.wav\r\n2=b.wav\r\n");
    Write("Zamčená.vkm", "[Info]\r\nName=Locked\r\nKlavesy_prijezd=X\r\n[Hlaseni]\r\n1=new.wav\r\n");
    Select("Zamčená.vkm");  // offered while it could be read
    Select("first.vkm");
    w.form.btnStartClick();
    w.form.btnJedenVpredClick();

    HANDLE held =
        CreateFileW(ToWide(dir + "Zamčená.vkm").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(w.files.FileExists(dir + "Zamčená.vkm"));
    EXPECT_FALSE(w.files.ReadFile(dir + "Zamčená.vkm"));
    w.form.cmbLinkaChange(0);
    w.form.btnStartClick();
    CloseHandle(held);

    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, "Definiční soubor vlakového rozhlasu nelze přečíst");
    EXPECT_EQ(w.form.lblHlaseni, "b.wav");
    std::set<unsigned char> keys;
    for (const auto& [id, combination] : w.hotkeys.bound) keys.insert(combination.second);
    EXPECT_EQ(keys, (std::set<unsigned char>{'\r', 'P', 'p'}));

    w.form.btnStartClick();  // released by the other program: it loads
    EXPECT_EQ(w.form.lblHlaseni, "new.wav");
}

TEST_F(LockedFileTest, TheLineChecksFilesByIdentityAndWrittenWhole) {
    Write("first.vkm", "a");
    Write("Zamčená.vkm", "b");
    const std::wstring link = ToWide(dir + "link.wav"), target = ToWide(dir + "out.wav");
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), ToWide(dir + "first.vkm").c_str(), nullptr));
    Win32FileSystem files;
    EXPECT_EQ(files.Identity(dir + "link.wav"), files.Identity(dir + "first.vkm"));
    EXPECT_EQ(files.Identity(dir + "..\\" + ExtractFileName(dir.substr(0, dir.size() - 1)) + "\\FIRST.VKM"),
              files.Identity(dir + "first.vkm"));
    EXPECT_NE(files.Identity(dir + "Zamčená.vkm"), files.Identity(dir + "first.vkm"));
    EXPECT_TRUE(files.Identity(dir));
    EXPECT_FALSE(files.Identity(dir + "none.wav"));

    Win32FileWriter writer;
    auto write = [&](bool overwrite, const std::function<void()>& before_commit) {
        FileWriter::Created c = writer.Create(dir + "out.wav", overwrite);
        EXPECT_TRUE(c.file && c.file->Write("new", 3)) << WriteErrorText(c.error);
        if (!c.file) return WriteError{WriteError::Kind::kOther, 0};
        if (before_commit) before_commit();
        return c.file->Commit() ? WriteError{} : c.file->error();
    };
    // Another program makes the file meanwhile: it is not replaced, whatever was written is gone.
    EXPECT_EQ(write(false, [&] { Write("out.wav", "theirs"); }).kind, WriteError::Kind::kExists);
    EXPECT_EQ(*files.ReadFile(dir + "out.wav"), "theirs");
    EXPECT_EQ(writer.Create(dir + "out.wav", false).error.kind, WriteError::Kind::kExists);
    // Held open without sharing: refused, as access denied; then replaced whole.
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(write(true, nullptr).kind, WriteError::Kind::kAccessDenied);
    CloseHandle(held);
    EXPECT_FALSE(write(true, nullptr));
    EXPECT_EQ(*files.ReadFile(dir + "out.wav"), "new");
    { EXPECT_TRUE(writer.Create(dir + "never.wav", true).file); }  // never committed
    std::vector<DirEntry> left;
    ASSERT_TRUE(files.ListDirectory(dir, left));
    std::set<std::string> names;
    for (const DirEntry& e : left) names.insert(e.name);
    EXPECT_EQ(names, (std::set<std::string>{"first.vkm", "Zamčená.vkm", "link.wav", "out.wav"}));
    DeleteFileW(link.c_str());
    DeleteFileW(target.c_str());
}

}  // namespace
}  // namespace vkm::testing
