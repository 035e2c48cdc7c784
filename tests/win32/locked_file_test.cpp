// A definition file that another program holds open without sharing: it is there,
// but it cannot be read. Start warns, loads nothing of it and keeps the line and the
// keys it had. And a file of the line check, written whole or not at all, never over one
// that another program made or holds.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "fakes/fakes.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_writer.h"
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

TEST_F(LockedFileTest, TheLineChecksFilesWrittenWhole) {
    const std::wstring target = ToWide(dir + "out.wav");
    Win32FileSystem files;
    Win32FileWriter writer;
    auto write = [&](bool overwrite) {
        std::unique_ptr<OutputFile> file = writer.Create(dir + "out.wav", overwrite).file;
        if (!file || !file->Write("new", 3)) return WriteError{WriteError::Kind::kOther, 0};
        if (!overwrite) Write("out.wav", "theirs");  // another program makes it meanwhile
        return file->Commit() ? WriteError{} : file->error();
    };
    EXPECT_EQ(write(false).kind, WriteError::Kind::kExists);
    EXPECT_EQ(*files.ReadFile(dir + "out.wav"), "theirs");
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(write(true).kind, WriteError::Kind::kAccessDenied);  // held open without sharing
    CloseHandle(held);
    EXPECT_FALSE(write(true));
    EXPECT_EQ(*files.ReadFile(dir + "out.wav"), "new");
    EXPECT_TRUE(writer.Create(dir + "never.wav", true).file);  // never committed: nothing is left
    std::vector<DirEntry> left;
    ASSERT_TRUE(files.ListDirectory(dir, left));
    EXPECT_EQ(left.size(), 1u);  // out.wav
    DeleteFileW(target.c_str());
}

}  // namespace
}  // namespace vkm::testing
