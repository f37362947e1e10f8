// Going to a sector, a cluster and an area, and stepping, on the fixture images: every
// command lands on the sector the tools' reports say, refuses what lies outside the medium
// or does not evaluate, and is enabled exactly when it can do something.
#include "NavTestSupport.h"
#include "disk/DiskCommands.h"
#include <stdio.h>
#include <string.h>
#include <memory>
#include <sstream>

using namespace navtest;

namespace {

std::string Dec(uint64_t v)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v));
    return buf;
}

class NavGoto : public ::testing::Test
{
protected:
    void SetUp() override
    {
        doc.reset(new TestDoc);
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
    }
    void TearDown() override
    {
        EXPECT_EQ(0, prompts.unexpected);
        EXPECT_EQ(0, dialogs.unexpected);
        doc->SetPrompts(nullptr);
        doc->SetNavDialogs(nullptr);
    }

    bool Open(const std::string& image)
    {
        path = scantest::FixturePath(image);
        if (!scantest::FileExists(path))
            return false;
        EXPECT_TRUE(doc->OnOpenDocument(path.c_str())) << image;
        return doc->GetDriveCode() == 0xC000u;
    }

    // The document shows the sector, and its buffer holds that sector of the image.
    ::testing::AssertionResult Shows(uint64_t sector)
    {
        if (doc->GetCurrentSector() != sector)
            return ::testing::AssertionFailure() << "current sector " << doc->GetCurrentSector() << ", expected " << sector;
        if (doc->GetLastSectorRead() != sector || doc->GetLoadedSize() != 512)
            return ::testing::AssertionFailure() << "sector " << sector << " was not loaded";
        std::vector<uint8_t> bytes;
        if (!doctest::ReadFileBytes(path, sector * 512, 512, &bytes))
            return ::testing::AssertionFailure() << "cannot read the image";
        if (memcmp(bytes.data(), doc->GetSectorBuffer(), 512) != 0)
            return ::testing::AssertionFailure() << "the buffer is not sector " << sector;
        return ::testing::AssertionSuccess();
    }

    // One answer to "Springe zu Cluster".
    void GotoCluster(const std::string& answer)
    {
        prompts.Type(answer);
        doc->OnGotoCluster();
    }
    void GotoSector(const std::string& answer)
    {
        prompts.Type(answer);
        doc->OnGotoSector();
    }
    // The last box was the refusal with that text, without caption, with OK only.
    void ExpectRefusal(const char* text, size_t boxesBefore)
    {
        ASSERT_EQ(boxesBefore + 1, prompts.boxes.size());
        EXPECT_EQ(text, prompts.boxes.back().text);
        EXPECT_EQ("", prompts.boxes.back().caption);     // the application's name
        EXPECT_EQ(static_cast<UINT>(MB_OK), prompts.boxes.back().type);
        prompts.boxAnswers.clear();
    }

    Prompts prompts;
    ScriptedDialogs dialogs;
    std::unique_ptr<TestDoc> doc;
    std::string path;
};

// The start sector of the partition that mmls describes with `description`, 0 when none.
uint64_t MmlsStart(const std::string& report, const std::string& description)
{
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find(description) == std::string::npos)
            continue;
        std::istringstream fields(line);
        std::string slot, kind;
        unsigned long long start = 0;
        if (fields >> slot >> kind >> start)
            return start;
    }
    return 0;
}

// Cluster c of a FAT12/16 volume at `base`, worked out from its boot sector's fields.
uint64_t FatClusterSector(const std::string& image, uint64_t base, uint64_t c)
{
    std::vector<uint8_t> b;
    if (!doctest::ReadFileBytes(image, base * 512, 512, &b))
        return 0;
    auto u16 = [&](int o) { return static_cast<uint64_t>(b[o] | (b[o + 1] << 8)); };
    uint64_t bytesPerSector = u16(11), spc = b[13], reserved = u16(14), fats = b[16], rootEntries = u16(17);
    uint64_t perFat = u16(22);
    uint64_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    return base + reserved + fats * perFat + rootSectors + (c - 2) * spc;
}

// The names an area without its own is listed under.
const char* const kAreaNames[] = { "", "MasterBootRecord", "Boot-Sektor FAT", "Boot-Sektor FAT32", "Boot-Sektor NTFS",
                                   "Boot-Sektor EXFAT", "Verzeichnis", "Info-Sektor", "FAT12", "FAT16", "FAT32",
                                   "FATEX", "VolumeDecriptor", "CD Pfad Tabelle", "CD Verzeichnis",
                                   "Master File Table", "Mirror MFT", "Ecma-Tag", "GUID Partitionstablle",
                                   "GUID Partitioneintr\xE4ge", "EXFAT Verzeichniss", "EXT Superblock" };

// A view without a window that only stands in the document's view list.
class QuietView : public CView
{
public:
    ~QuietView() override {}
    void OnDraw(CDC*) override {}
    void OnUpdate(CView*, LPARAM, CObject*) override {}
};

uint64_t g_viewNumber = 0;      // 0: nothing selected
int g_hookCalls = 0;
CView* g_hookView = nullptr;

bool ViewNumber(CView* view, uint64_t* number)
{
    ++g_hookCalls;
    g_hookView = view;
    if (!g_viewNumber)
        return false;
    *number = g_viewNumber;
    return true;
}

}  // namespace

TEST_F(NavGoto, TheViewsSelectedNumberIsProposed)
{
    if (!Open("fat16.img"))
        GTEST_SKIP() << "fat16.img was not made";
    // The commands' own way to the view (the scripted dialogs answer it otherwise).
    DiskNavDialogs windows;
    doc->SetNavDialogs(&windows);
    doc->m_bAutoDelete = FALSE;
    SetSelectedNumberHook(nullptr);
    GotoSector("5");
    EXPECT_EQ("0", prompts.startTexts.back());
    // A document without a view has no number, and the view is not asked for one.
    SetSelectedNumberHook(&ViewNumber);
    GotoSector("6");
    EXPECT_EQ("5", prompts.startTexts.back());
    EXPECT_EQ(0, g_hookCalls);

    QuietView* view = new QuietView;
    doc->AddView(view);
    g_viewNumber = 77;
    GotoSector("8");
    EXPECT_EQ("77", prompts.startTexts.back());
    EXPECT_EQ(view, g_hookView);
    g_viewNumber = 0;
    GotoSector("9");
    EXPECT_EQ("8", prompts.startTexts.back());
    // Inside the cluster area the selected number is the proposed cluster; outside it the
    // first cluster is proposed whatever is selected.
    g_viewNumber = 1234;
    GotoCluster("2");
    EXPECT_EQ("2", prompts.startTexts.back());
    GotoCluster("7");
    EXPECT_EQ("1234", prompts.startTexts.back());
    EXPECT_TRUE(Shows(FatClusterSector(path, 0, 7)));

    doc->RemoveView(view);
    delete view;
    SetSelectedNumberHook(nullptr);
    g_viewNumber = 0;
    doc->SetNavDialogs(&dialogs);
}

TEST_F(NavGoto, SectorAcceptsExpressionsAndRefusesTheRest)
{
    if (!Open("fat16.img"))
        GTEST_SKIP() << "fat16.img was not made";
    std::string report;
    uint64_t first = 0, last = 0;
    size_t next = 0;
    ASSERT_TRUE(scantest::LoadText(scantest::FixturePath("fat16.img.fsstat.txt"), &report));
    ASSERT_TRUE(scantest::NumberAfter(report, "Total Range:", &first, 0, &next));
    ASSERT_TRUE(scantest::NumberAfter(report, "-", &last, next));
    ASSERT_EQ(last + 1, doc->GetSectorCount());

    GotoSector("2048+63");
    EXPECT_TRUE(Shows(2111));
    ASSERT_EQ(1u, prompts.typed.size());
    EXPECT_EQ("Springe zu Sektor", prompts.typed[0].caption);
    EXPECT_EQ("Maximaler Sektor " + Dec(last) + " (Sektorgr\xF6\xDF" "e: 512)", prompts.typed[0].text);
    EXPECT_EQ("0", prompts.startTexts[0]);

    // The current sector is proposed; a number selected in the view replaces it.
    GotoSector("0x10 * 2");
    EXPECT_EQ("2111", prompts.startTexts.back());
    EXPECT_TRUE(Shows(32));
    dialogs.hasSelection = true;
    dialogs.selection = 1234;
    GotoSector(Dec(last));
    EXPECT_EQ("1234", prompts.startTexts.back());
    EXPECT_TRUE(Shows(last));
    dialogs.hasSelection = false;

    // An answer the evaluation stops inside counts with what it read up to there (the
    // evaluator's documented rule: a unit ends the number, a missing factor is 0).
    const struct { const char* answer; uint64_t sector; } kReadUpToTheStop[] = {
        { "12 GB", 12 }, { "(3", 3 }, { "10/0", 10 }, { "5*", 0 }, { " 9 Sektoren", 9 },
    };
    for (const auto& c : kReadUpToTheStop) {
        size_t boxes = prompts.boxes.size();
        GotoSector(c.answer);
        EXPECT_EQ(boxes, prompts.boxes.size()) << c.answer;
        EXPECT_TRUE(Shows(c.sector)) << c.answer;
    }

    // The sector count itself, negative results and huge numbers are refused, and a text
    // without any number says so; nothing is loaded.
    GotoSector("7");
    const struct { const char* answer; bool noNumber; } kRefused[] = {
        { "32768", false }, { "-1", false }, { "0-5", false }, { "99999999999999999999", false },
        { "18446744073709551615", false }, { "", true }, { "abc", true }, { "  ", true }, { "GB", true },
    };
    for (const auto& c : kRefused) {
        size_t boxes = prompts.boxes.size();
        prompts.boxAnswers.push_back(IDOK);
        GotoSector(c.answer);
        ExpectRefusal(c.noNumber ? "Falsche Sektornummer !\nDie Eingabe enth\xE4lt keine Zahl."
                                 : "Falsche Sektornummer !", boxes);
        EXPECT_TRUE(Shows(7)) << c.answer;
    }
    // Cancel changes nothing.
    prompts.CancelTyping();
    doc->OnGotoSector();
    EXPECT_TRUE(Shows(7));
}

TEST_F(NavGoto, ClusterMappingOfEveryFileSystem)
{
    // ext2odd: a block count that is no multiple of the units in a block; gptexfat: one
    // volume of a disk, numbered by fsstat from its partition's start (sgdisk).
    const char* images[] = { "fat12.img", "fat16.img", "fat32.img", "exfat.img", "ntfs.img", "ext2.img", "ext3.img",
                             "ext4.img", "ext2odd.img", "gptexfat.img" };
    int tested = 0;
    for (const char* image : images) {
        SCOPED_TRACE(image);
        ClusterGeometry g;
        std::string sgdisk;
        uint64_t partition = 0;
        if (!Open(image) || !FixtureGeometry(image, &g) ||
            (scantest::LoadText(path + ".sgdisk1.txt", &sgdisk) &&
             !scantest::NumberAfter(sgdisk, "First sector:", &partition)))
            continue;
        g.dataStart += partition;
        ++tested;
        ASSERT_EQ(1u, doc->GetClusterRegions().count);
        prompts.typed.clear();
        prompts.startTexts.clear();

        GotoCluster(Dec(g.first));
        EXPECT_TRUE(Shows(g.SectorOf(g.first)));
        ASSERT_EQ(1u, prompts.typed.size());
        EXPECT_EQ("Springe zu Cluster", prompts.typed[0].caption);
        EXPECT_EQ("Cluster " + Dec(g.first) + " bis " + Dec(g.last) + " (Cluster-Gr\xF6\xDF" "e: " +
                      Dec(g.unitsPerCluster * 512) + ")  (<Partition>:...)",
                  prompts.typed[0].text);

        // Inside a cluster the proposal is that cluster.
        GotoCluster(Dec(g.first) + "+3");
        EXPECT_TRUE(Shows(g.SectorOf(g.first + 3)));
        doc->OnNextSector();
        GotoCluster(Dec(g.last));
        EXPECT_EQ(Dec(g.unitsPerCluster > 1 ? g.first + 3 : g.first + 4), prompts.startTexts.back());
        EXPECT_TRUE(Shows(g.SectorOf(g.last)));

        // A region prefix with one region: that region, or region 0 for one that is not there.
        GotoCluster("0:" + Dec(g.first + 1));
        EXPECT_TRUE(Shows(g.SectorOf(g.first + 1)));
        GotoCluster("5:" + Dec(g.first + 2));
        EXPECT_TRUE(Shows(g.SectorOf(g.first + 2)));

        std::vector<std::string> refused = { Dec(g.last + 1), "-1", Dec(g.last + 1) + " Cluster" };
        if (g.first > 0)
            refused.push_back(Dec(g.first - 1));
        refused.push_back("");
        refused.push_back("zwei");
        for (size_t i = 0; i < refused.size(); ++i) {
            const std::string& answer = refused[i];
            const bool noNumber = i + 2 >= refused.size();
            size_t boxes = prompts.boxes.size();
            prompts.boxAnswers.push_back(IDOK);
            GotoCluster(answer);
            ExpectRefusal(noNumber ? "Falsche Cluster-Nummer !\nDie Eingabe enth\xE4lt keine Zahl."
                                   : "Falsche Cluster-Nummer !", boxes);
            EXPECT_TRUE(Shows(g.SectorOf(g.first + 2))) << answer;
        }
        // Behind the last cluster (a volume's unused tail, free disk space) the proposal is
        // the first cluster, as in front of the data area.
        const uint64_t behind = g.SectorOf(g.last + 1);
        if (behind < doc->GetSectorCount()) {
            GotoSector(Dec(behind));
            EXPECT_EQ(0u, doc->GetSectorsPerCluster()) << "the status bar would number it as a cluster";
            GotoCluster(Dec(g.last));
            EXPECT_EQ(Dec(g.first), prompts.startTexts.back());
        }
    }
    if (tested == 0)
        GTEST_SKIP() << "no fixture image with a report";
}

TEST_F(NavGoto, ClusterInTheRightRegionOfAPartitionedDisk)
{
    std::string report;
    if (!Open("mbr.img") || !scantest::LoadText(scantest::FixturePath("mbr.img.mmls.txt"), &report))
        GTEST_SKIP() << "mbr.img or its report was not made";
    const uint64_t fat16 = MmlsStart(report, "DOS FAT16"), fat12 = MmlsStart(report, "DOS FAT12");
    ASSERT_NE(0u, fat12);
    const ClusterRegionTable& regions = doc->GetClusterRegions();
    ASSERT_GE(regions.count, 2u);
    ASSERT_LE(regions.count, 9u);
    int r12 = -1;
    for (uint32_t i = 0; i < regions.count; ++i)
        if (regions.regionStart[i] == fat12) r12 = static_cast<int>(i);
    ASSERT_GT(r12, 0);
    ASSERT_EQ(fat16, regions.regionStart[0]);

    GotoCluster(Dec(r12) + ":5");
    EXPECT_TRUE(Shows(FatClusterSector(path, fat12, 5)));
    // Several regions: the proposal carries the region of the current sector.
    GotoCluster("7:5");
    EXPECT_EQ(Dec(r12) + ":5", prompts.startTexts.back());
    EXPECT_TRUE(Shows(FatClusterSector(path, fat16, 5)));
    // Without a prefix the current sector's region stays.
    GotoCluster("9");
    EXPECT_EQ("0:5", prompts.startTexts.back());
    EXPECT_TRUE(Shows(FatClusterSector(path, fat16, 9)));
    // On sector 0, below every cluster area, the proposal is region 0's first cluster.
    GotoSector("0");
    GotoCluster(Dec(r12) + ":2");
    EXPECT_EQ("0:2", prompts.startTexts.back());
    EXPECT_TRUE(Shows(FatClusterSector(path, fat12, 2)));
}

// Eleven FAT12 volumes: the region is the whole number before the ':', so the program's own
// proposal "10:4" is taken as it stands; a region that does not exist means region 0.
TEST_F(NavGoto, ClusterRegionsPastNineAreNamedByTheirNumber)
{
    if (!Open("gpt11fat.img"))
        GTEST_SKIP() << "gpt11fat.img was not made";
    const ClusterRegionTable& regions = doc->GetClusterRegions();
    ASSERT_EQ(11u, regions.count) << scantest::Describe(doc->GetScan());
    struct Case {
        const char* answer;
        uint32_t region;
        uint64_t cluster;
    } const cases[] = {
        { "10:5", 10, 5 }, { "3:4", 3, 4 }, { "9:2", 9, 2 }, { "99:6", 0, 6 }, { "A:3", 0, 3 }, { "10:4", 10, 4 },
    };
    for (const Case& c : cases) {
        GotoCluster(c.answer);
        EXPECT_TRUE(Shows(FatClusterSector(path, regions.regionStart[c.region], c.cluster))) << c.answer;
    }
    // On cluster 4 of region 10 the proposal names both, and going there again stays.
    GotoCluster("10:4");
    EXPECT_EQ("10:4", prompts.startTexts.back());
    EXPECT_TRUE(Shows(FatClusterSector(path, regions.regionStart[10], 4)));
}

TEST_F(NavGoto, RegionsWithoutClusterNumberingAskNothing)
{
    if (!Open("mbr.img"))
        GTEST_SKIP() << "mbr.img was not made";
    VolumeScanResult& scan = doc->Scan();
    ASSERT_GE(scan.regions.count, 2u);
    // A region whose volume gave no cluster size: no question, no division, no box.
    scan.regions.sectorsPerCluster[0] = 0;
    doc->OnGotoCluster();
    scan.regions.sectorsPerCluster[0] = ClusterRegionTable::kNoClusters;
    doc->OnGotoCluster();
    EXPECT_TRUE(prompts.typed.empty());
    EXPECT_TRUE(prompts.boxes.empty());
    EXPECT_TRUE(Shows(0));

    // Choosing such a region by its prefix is refused.
    scan.regions.sectorsPerCluster[0] = 4;
    scan.regions.sectorsPerCluster[1] = 0;
    prompts.boxAnswers.push_back(IDOK);
    GotoCluster("1:5");
    ExpectRefusal("Falsche Cluster-Nummer !", 0);
    EXPECT_TRUE(Shows(0));

    // A cluster count larger than the medium: clusters behind its end are refused too.
    scan.regions.clusterCount[0] = 1ull << 40;
    size_t boxes = prompts.boxes.size();
    prompts.boxAnswers.push_back(IDOK);
    GotoCluster("0:" + Dec(doc->GetSectorCount()));
    ExpectRefusal("Falsche Cluster-Nummer !", boxes);
    EXPECT_TRUE(Shows(0));
    boxes = prompts.boxes.size();
    prompts.boxAnswers.push_back(IDOK);
    GotoCluster("0:" + Dec((1ull << 40) + 1));
    ExpectRefusal("Falsche Cluster-Nummer !", boxes);
    EXPECT_TRUE(Shows(0));

    // Clusters of 2^25 sectors (the largest an exFAT boot sector can claim): the prompt
    // names their size in bytes without wrapping at 32 bits.
    scan.regions.sectorsPerCluster[0] = 1u << 25;
    prompts.typed.clear();
    prompts.CancelTyping();
    doc->OnGotoCluster();
    ASSERT_EQ(1u, prompts.typed.size());
    const std::string& prompt = prompts.typed[0].text;
    EXPECT_NE(std::string::npos, prompt.find(": " + Dec((1ull << 25) * 512) + ")")) << prompt;
    EXPECT_TRUE(Shows(0));
}

TEST_F(NavGoto, AreaListSortedAndChosen)
{
    if (!Open("gpt.img"))
        GTEST_SKIP() << "gpt.img was not made";
    const AreaTable& areas = doc->GetAreas();
    ASSERT_GT(areas.count, 4u);
    uint64_t maxFirst = 0;
    for (uint32_t i = 0; i < areas.count; ++i)
        if (areas.first[i] > maxFirst) maxFirst = areas.first[i];
    int width = static_cast<int>(Dec(maxFirst).size());
    if (width < 4) width = 4;

    dialogs.choices.push_back(static_cast<int>(areas.count) - 1);
    doc->OnGotoArea();
    ASSERT_EQ(1u, dialogs.choiceRuns.size());
    const ScriptedDialogs::ChoiceSeen& seen = dialogs.choiceRuns[0];
    EXPECT_EQ("Bereich ausw\xE4hlen", seen.caption);
    EXPECT_EQ(-120, seen.widthFactor);
    EXPECT_EQ(40, seen.heightFactor);
    EXPECT_EQ(0, seen.mode);
    ASSERT_EQ(areas.count, seen.texts.size());
    for (uint32_t i = 0; i < areas.count; ++i) {
        EXPECT_EQ(i, seen.values[i]);
        char expected[300];
        const char* name = areas.name[i] ? areas.name[i] : (areas.type[i] < 22 ? kAreaNames[areas.type[i]] : "???");
        snprintf(expected, sizeof expected, "%0*llu %s (%llu)", width, static_cast<unsigned long long>(areas.first[i]),
                 name, static_cast<unsigned long long>(areas.end[i] - areas.first[i]));
        EXPECT_EQ(expected, seen.texts[i]);
    }
    EXPECT_TRUE(Shows(areas.first[areas.count - 1]));

    // The primary GPT header, at sector 1 of every GPT disk.
    uint32_t header = 0;
    for (uint32_t i = 0; i < areas.count; ++i)
        if (areas.type[i] == INFO_GPT_HEADER && areas.first[i] == 1) header = i;
    dialogs.choices.push_back(static_cast<int>(header));
    doc->OnGotoArea();
    EXPECT_TRUE(Shows(1));
    EXPECT_EQ(0, memcmp(doc->GetSectorBuffer(), "EFI PART", 8));

    // Cancel keeps the sector; no areas: a warning and no list.
    dialogs.choices.push_back(-1);
    doc->OnGotoArea();
    EXPECT_TRUE(Shows(1));
    doc->Scan().areas.Reset();
    prompts.boxAnswers.push_back(IDOK);
    size_t runs = dialogs.choiceRuns.size();
    doc->OnGotoArea();
    ASSERT_EQ(1u, prompts.boxes.size());
    EXPECT_EQ("Es sind keine Bereiche vorhanden.", prompts.boxes[0].text);
    EXPECT_EQ("Warnung", prompts.boxes[0].caption);
    EXPECT_EQ(runs, dialogs.choiceRuns.size());
}

TEST_F(NavGoto, AreaOfTheRootDirectoryFromTheReport)
{
    std::string report;
    uint64_t root = 0;
    if (!Open("fat16.img") || !scantest::LoadText(scantest::FixturePath("fat16.img.fsstat.txt"), &report) ||
        !scantest::NumberAfter(report, "Root Directory:", &root))
        GTEST_SKIP() << "fat16.img or its report was not made";
    const AreaTable& areas = doc->GetAreas();
    int index = -1;
    for (uint32_t i = 0; i < areas.count; ++i)
        if (areas.first[i] == root && areas.type[i] == INFO_FAT_DIRECTORY) index = static_cast<int>(i);
    ASSERT_GE(index, 0);
    dialogs.choices.push_back(index);
    doc->OnGotoArea();
    EXPECT_TRUE(Shows(root));
    EXPECT_EQ(static_cast<uint32_t>(INFO_FAT_DIRECTORY), doc->GetAreaType());
}

TEST_F(NavGoto, SteppingStopsAtBothEnds)
{
    if (!Open("fat12.img"))
        GTEST_SKIP() << "fat12.img was not made";
    const uint64_t last = doc->GetSectorCount() - 1;
    ASSERT_GT(last, 2u);
    doc->OnPrevSector();
    EXPECT_TRUE(Shows(0));
    doc->OnNextSector();
    EXPECT_TRUE(Shows(1));
    doc->OnPrevSector();
    EXPECT_TRUE(Shows(0));
    GotoSector(Dec(last - 1));
    doc->OnNextSector();
    EXPECT_TRUE(Shows(last));
    doc->OnNextSector();
    EXPECT_TRUE(Shows(last));
}

TEST_F(NavGoto, EnablingRules)
{
    if (!Open("fat16.img"))
        GTEST_SKIP() << "fat16.img was not made";
    // Sector 0 of a FAT volume.
    EXPECT_EQ(1, EnabledState(*doc, ID_GOTO_SECTOR));
    EXPECT_EQ(1, EnabledState(*doc, ID_GOTO_CLUSTER));
    EXPECT_EQ(1, EnabledState(*doc, ID_GOTO_AREA));
    EXPECT_EQ(1, EnabledState(*doc, ID_NEXT_SECTOR));
    EXPECT_EQ(0, EnabledState(*doc, ID_PREV_SECTOR));
    EXPECT_EQ(1, EnabledState(*doc, ID_SELECT_DRIVE));
    EXPECT_EQ(1, EnabledState(*doc, ID_LOAD_IMAGE));
    EXPECT_EQ(1, EnabledState(*doc, ID_START_OPTIONS));
    EXPECT_EQ(0, EnabledState(*doc, ID_LOAD_PARTITIONS));   // an image, not a physical drive
    // The last sector.
    GotoSector(Dec(doc->GetSectorCount() - 1));
    EXPECT_EQ(0, EnabledState(*doc, ID_NEXT_SECTOR));
    EXPECT_EQ(1, EnabledState(*doc, ID_PREV_SECTOR));
    // No cluster regions, no areas.
    doc->Scan().regions.Reset();
    doc->Scan().areas.Reset();
    EXPECT_EQ(0, EnabledState(*doc, ID_GOTO_CLUSTER));
    EXPECT_EQ(0, EnabledState(*doc, ID_GOTO_AREA));
    EXPECT_EQ(1, EnabledState(*doc, ID_GOTO_SECTOR));
    doc->OnGotoCluster();                                    // with no region: nothing at all
    EXPECT_TRUE(prompts.typed.size() == 1);

    // Nothing open: only the medium commands remain.
    ASSERT_TRUE(doc->SwitchMedium(0xFFFFFFFFu, nullptr, "Unbenannt", nullptr));
    EXPECT_EQ(0u, doc->GetSectorCount());
    for (UINT id : { ID_GOTO_SECTOR, ID_GOTO_CLUSTER, ID_GOTO_AREA, ID_NEXT_SECTOR, ID_PREV_SECTOR, ID_LOAD_PARTITIONS })
        EXPECT_EQ(0, EnabledState(*doc, id)) << id;
    for (UINT id : { ID_SELECT_DRIVE, ID_LOAD_IMAGE, ID_START_OPTIONS })
        EXPECT_EQ(1, EnabledState(*doc, id)) << id;
    doc->OnGotoSector();
    doc->OnNextSector();
    doc->OnPrevSector();
    EXPECT_EQ(0u, doc->GetCurrentSector());
    EXPECT_TRUE(prompts.typed.size() == 1);

    // The menu routes the commands to the document's handlers.
    EXPECT_TRUE(doc->OnCmdMsg(ID_GOTO_SECTOR, CN_COMMAND, nullptr, nullptr));
    EXPECT_TRUE(doc->OnCmdMsg(ID_GOTO_CLUSTER, CN_COMMAND, nullptr, nullptr));
}
