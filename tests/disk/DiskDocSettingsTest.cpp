// The document's settings in the registry (open mode, last drive, last image) and the update
// hints its views receive.
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
#include "services/Registry.h"
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace doctest;

namespace {

const char kKey[] = "Software\\SektorlupeTests\\DiskDocTest";

void SetDword(const char* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void SetString(const char* name, const std::string& value)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

DWORD GetDword(const char* name)
{
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string GetString(const char* name)
{
    char value[MAX_PATH] = "?";
    DWORD size = sizeof value, type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "?";
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return "?";
    // An empty text may be stored without its terminator.
    return std::string(value, size > 0 && value[size - 1] == 0 ? size - 1 : size);
}

// Open mode 2 again for every other test.
class Settings : public ::testing::Test
{
protected:
    void TearDown() override
    {
        SetDword("OpenMode", 2);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "LastDrive");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "LastImageFile");
    }
};

}  // namespace

TEST_F(Settings, LastImageReopensAndIsWrittenBack)
{
    std::string image = scantest::FixturePath("fat12.img");
    if (!scantest::FileExists(image))
        GTEST_SKIP() << "fat12.img was not made";
    SetDword("OpenMode", 3);
    SetDword("LastDrive", DRIVECODE_IMAGE);
    SetString("LastImageFile", image);
    {
        std::unique_ptr<CDiskDoc> doc(NewDocument());
        EXPECT_EQ(DRIVECODE_IMAGE, doc->GetDriveCode());
        EXPECT_EQ(image, std::string(doc->GetImagePath()));
        EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
        EXPECT_GT(doc->GetAreas().count, 0u);
    }
    EXPECT_EQ(3u, GetDword("OpenMode"));
    EXPECT_EQ(DRIVECODE_IMAGE, GetDword("LastDrive"));
    EXPECT_EQ(image, GetString("LastImageFile"));

    // A last image that is gone opens nothing; nor does a drive's name in the value.
    std::string gone = TempPath("gone.img");
    DeleteFileA(gone.c_str());
    for (const std::string& last : { gone, std::string("\\??\\Q:") }) {
        SetString("LastImageFile", last);
        std::unique_ptr<CDiskDoc> doc(NewDocument());
        EXPECT_EQ(DRIVECODE_NONE, doc->GetDriveCode()) << last;
        EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_NOTHING), doc->GetLoadState()) << last;
    }
    EXPECT_EQ("", GetString("LastImageFile")) << "the image path is written only for an open image";
}

TEST_F(Settings, ADamagedLastDriveOpensNothing)
{
    FakeDiskAccess fake;
    AccessScope scope(&fake);
    SetDword("OpenMode", 3);
    SetDword("LastDrive", 0x31);
    std::unique_ptr<CDiskDoc> doc(NewDocument());
    EXPECT_EQ(DRIVECODE_NONE, doc->GetDriveCode());
    EXPECT_TRUE(fake.opened.empty());
    // Open modes 0 and 1 are drives C: and D:.
    SetDword("OpenMode", 1);
    std::unique_ptr<CDiskDoc> d(NewDocument());
    EXPECT_EQ(3u, d->GetDriveCode());
}

namespace {

// A view without a window that only writes down what it is told.
class HintView : public CView
{
public:
    std::vector<uint32_t> hints;
    void OnDraw(CDC*) override {}
    void OnUpdate(CView*, LPARAM hint, CObject*) override { hints.push_back(static_cast<uint32_t>(hint)); }
};

}  // namespace

TEST(DocumentHints, LoadSelectionAndProtection)
{
    std::string image = scantest::FixturePath("fat16.img");
    if (!scantest::FileExists(image))
        GTEST_SKIP() << "fat16.img was not made";
    ScriptedPrompts prompts;
    std::unique_ptr<CDiskDoc> doc(NewDocument());
    doc->m_bAutoDelete = FALSE;
    doc->SetPrompts(&prompts);
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    HintView view;
    doc->AddView(&view);
    doc->SetCurrentSector(3);
    doc->LoadSector(0x21, 4);
    doc->LoadSector(0x30, 0x102);           // same sector: only the selection, length's low byte
    prompts.boxAnswers.push_back(IDOK);
    doc->OnWriteProtect();
    doc->OnWriteProtect();                  // nothing changed: no question, protection on
    std::vector<uint32_t> expected = { 4u + 0x21u * 256u, 0x80000000u + 2u + 0x30u * 256u, UPDATEHINT_UNPROTECTED,
                                       UPDATEHINT_PROTECTED };
    EXPECT_EQ(expected, view.hints);
    EXPECT_EQ(1u, prompts.boxes.size());
    doc->RemoveView(&view);
}
