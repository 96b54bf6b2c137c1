#include "exe/executable_image.h"
#include "exe/file_info.h"
#include "scan/scan_engine.h"

#include "exe/exe_builder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>

using namespace quarex;
using namespace quarex::test;

namespace {

const std::string kExeData = std::string(QUAREX_TEST_DATA) + "/exe/";

std::string fixture(const std::string& name)
{
    std::string bytes = readFile(kExeData + name);
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

// A file in memory that counts what is read from it.
class CountingFile final : public ReadableFile {
public:
    explicit CountingFile(std::string_view bytes)
        : m_inner(bytes)
    {
    }
    std::uint64_t size() const override { return m_inner.size(); }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
    {
        ++reads;
        bytesRead += length;
        return m_inner.readAt(offset, buffer, length);
    }
    std::size_t reads = 0;
    std::uint64_t bytesRead = 0;

private:
    MemoryFile m_inner;
};

// The eight strings a zFileInfo finds in a file held in memory.
zFileInfo infoOf(std::string_view bytes)
{
    MemoryFile file(bytes);
    zFileInfo info;
    info.PutOpenFile(&file, FileFacts { bytes.size(), 0, false, true, 0, 0 });
    return info;
}

std::string kindOf(std::string_view bytes)
{
    MemoryFile file(bytes);
    return ExecutableImage(file).kind();
}

std::optional<std::string> iconOf(std::string_view bytes)
{
    MemoryFile file(bytes);
    return ExecutableImage(file).iconIco();
}

// The kind and icon of a file on disk.
ExecutableFacts factsOfPath(const std::string& path)
{
    auto file = nativeFileSystem().open(path);
    return file ? ExecutableImage(*file).facts() : ExecutableFacts {};
}

// The directory entries of a .ico file.
struct IcoEntry {
    int width, height, colours, planes, bitCount;
    std::string image;
};
std::vector<IcoEntry> icoEntries(const std::string& ico)
{
    ByteView v(ico);
    std::vector<IcoEntry> out;
    EXPECT_EQ(v.u16(0), 0);
    EXPECT_EQ(v.u16(2), 1);
    for (std::uint16_t i = 0; i < v.u16(4).value_or(0); ++i) {
        std::size_t e = 6 + 16u * i;
        auto image = v.bytes(v.u32(e + 12).value_or(0), v.u32(e + 8).value_or(0));
        EXPECT_TRUE(image.has_value()) << "image " << i << " lies outside the .ico";
        out.push_back(
            { *v.u8(e), *v.u8(e + 1), *v.u8(e + 2), *v.u16(e + 4), *v.u16(e + 6), std::string(image.value_or("")) });
    }
    return out;
}

std::string versionResource(const std::string& company)
{
    return versionBlock32({ { "040C04E4", { string32("CompanyName", company) } } });
}

} // namespace

// ---- Real files --------------------------------------------------------------------------------------------

TEST(ExeReaderFiles, French32BitProgramGivesEveryStringWithItsAccents)
{
    zFileInfo info;
    info.PutFileName(kExeData + "fr32.exe");
    EXPECT_EQ(info.sCompanyName(), "Éditions Àlacarte & Cie");
    EXPECT_EQ(info.sFileDescription(),
        "Gestionnaire de collections pour archivistes : catalogue, étiquettes, prêts, inventaire détaillé et "
        "statistiques");
    EXPECT_EQ(info.sFileVersion(), "3.1.4.1");
    EXPECT_EQ(info.sInternalName(), "FR32");
    EXPECT_EQ(info.sLegalCopyright(), "© 1996-1998 Éditions Àlacarte. Tous droits réservés.");
    EXPECT_EQ(info.sOriginalFilename(), "FR32.EXE");
    EXPECT_EQ(info.sProductName(), "Collectionneur — Œuvres complètes");
    EXPECT_EQ(info.sProductVersion(), "3.1   "); // trailing blanks kept as found
    EXPECT_EQ(info.sSize(), "33 792");

    ExecutableFacts facts = factsOfPath(kExeData + "fr32.exe");
    EXPECT_EQ(facts.kind, "Exécutable Win32 (PE, i386, graphique)");
}

TEST(ExeReaderFiles, LanguageChoiceAndFirstTableWinInARealFile)
{
    // German, English and French resources: French is taken; inside it, the first string table wins and
    // keys found only in the second table still come from there.
    zFileInfo info;
    info.PutFileName(kExeData + "langs64.exe");
    EXPECT_EQ(info.sCompanyName(), "Traductions Françaises SARL");
    EXPECT_EQ(info.sFileVersion(), "12.0 (français)");
    EXPECT_EQ(info.sProductName(), "Only in the second table");
    EXPECT_EQ(info.sLegalCopyright(), "Clé de sol 𝄞, cœur ♥"); // a surrogate pair decoded whole
    EXPECT_EQ(info.sInternalName(), "");
    EXPECT_EQ(factsOfPath(kExeData + "langs64.exe").kind, "Exécutable Win64 (PE32+, x64, console)");
    EXPECT_FALSE(factsOfPath(kExeData + "langs64.exe").iconIco);
    EXPECT_EQ(factsOfPath(kExeData + "lib64.dll").kind, "Bibliothèque Win64 (PE32+, x64)");
}

TEST(ExeReaderFiles, SixteenBitDriversGiveVersionStringsAndIcons)
{
    zFileInfo info;
    info.PutFileName(kExeData + "mouse.drv");
    EXPECT_EQ(info.sFileDescription(), "Wine mouse driver");
    EXPECT_EQ(info.sFileVersion(), "10.0.0.0");
    EXPECT_EQ(info.sProductName(), "Wine");
    EXPECT_EQ(info.sSizeKo(), "");
    EXPECT_EQ(factsOfPath(kExeData + "mouse.drv").kind, "Bibliothèque Windows 16 bits (NE)");

    ExecutableFacts display = factsOfPath(kExeData + "display.drv");
    ASSERT_TRUE(display.iconIco);
    auto entries = icoEntries(*display.iconIco);
    ASSERT_FALSE(entries.empty());
    bool png = false;
    for (const IcoEntry& e : entries) {
        EXPECT_EQ(e.planes, 1);
        EXPECT_NE(e.bitCount, 0);
        if (e.image.rfind("\x89PNG", 0) == 0) {
            png = true;
            EXPECT_EQ(e.width, 0); // 256 pixels
        }
    }
    EXPECT_TRUE(png) << "the PNG image is kept as PNG";
}

TEST(ExeReaderFiles, FirstIconGroupIsTheNamedOneAndComesOutAsTheOriginalIco)
{
    // fr32.exe holds the named group APPLI (appli.ico) and group 2 (dames.ico); windres copies the images
    // and the honest directory claims, so the extracted file is the original byte for byte.
    ExecutableFacts facts = factsOfPath(kExeData + "fr32.exe");
    ASSERT_TRUE(facts.iconIco);
    EXPECT_EQ(*facts.iconIco, fixture("src/appli.ico"));
    auto entries = icoEntries(*facts.iconIco);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].width, 0);
    EXPECT_EQ(entries[3].image.substr(1, 3), "PNG");
}

TEST(ExeReaderFiles, IconClaimsThatDisagreeWithTheImagesAreCorrected)
{
    // The group claims 256x256 / 0 bits / 16 colours, 48x48 in 4 bits, 16x16 in 8 bits;
    // the images are a 32x32 32-bit DIB, a 16x16 8-bit DIB and a 64x64 PNG.
    ExecutableFacts facts = factsOfPath(kExeData + "claims.exe");
    EXPECT_EQ(facts.kind, "Exécutable Win32 (PE, i386, console)");
    ASSERT_TRUE(facts.iconIco);
    auto e = icoEntries(*facts.iconIco);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ((std::vector<int> { e[0].width, e[0].height, e[0].colours, e[0].planes, e[0].bitCount }),
        (std::vector<int> { 32, 32, 0, 1, 32 }));
    EXPECT_EQ((std::vector<int> { e[1].width, e[1].height, e[1].colours, e[1].bitCount }),
        (std::vector<int> { 16, 16, 0, 8 }));
    EXPECT_EQ((std::vector<int> { e[2].width, e[2].height, e[2].colours, e[2].bitCount }),
        (std::vector<int> { 64, 64, 0, 32 }));
    zFileInfo info;
    info.PutFileName(kExeData + "claims.exe");
    EXPECT_EQ(info.sFileDescription(), "");
    EXPECT_EQ(info.sCompanyName(), "");
    EXPECT_EQ(info.sSize(), "9 728");
}

TEST(ExeReaderFiles, TruncatedPrefixesNeverFailHardAndOnlyShortenValues)
{
    // Every prefix of every fixture is read in full (under AddressSanitizer this also proves that no read
    // leaves its buffer); the strings of a prefix are prefixes of the whole file's strings.
    for (const char* name : { "fr32.exe", "mouse.drv", "claims.exe", "lib64.dll", "langs64.exe", "display.drv" }) {
        const std::string whole = fixture(name);
        const zFileInfo full = infoOf(whole);
        std::size_t step = whole.size() > 20000 ? 7 : 1;
        for (std::size_t n = 0; n <= whole.size(); n += (n < 2048 ? 1 : step)) {
            auto part = std::make_unique<char[]>(n); // exact-size heap copy
            std::memcpy(part.get(), whole.data(), n);
            std::string_view prefix(part.get(), n);
            zFileInfo info = infoOf(prefix);
            for (int k = zFileInfo::FileVersion; k < zFileInfo::ItemCount; ++k) {
                const std::string& value = full.item(static_cast<zFileInfo::Item>(k));
                const std::string& cut = info.item(static_cast<zFileInfo::Item>(k));
                // A surrogate pair cut in two gives U+FFFD: such a value is not a prefix.
                bool astral = value.find_first_of("\xF0\xF1\xF2\xF3\xF4") != std::string::npos;
                if (!astral) {
                    ASSERT_EQ(value.rfind(cut, 0), 0u) << name << " cut at " << n << ": " << cut;
                }
            }
            MemoryFile file(prefix);
            ExecutableFacts facts = ExecutableImage(file).facts();
            if (facts.iconIco)
                icoEntries(*facts.iconIco);
        }
    }
}

TEST(ExeReaderReads, SmallFileInOneReadLargeOneByHeadersThenResourceSection)
{
    // fr32.exe (33 KiB): one read, whatever is asked of it afterwards.
    const std::string whole = fixture("fr32.exe");
    CountingFile file(whole);
    ExecutableImage image(file);
    ASSERT_TRUE(image.searchableVersionBlock());
    ASSERT_TRUE(image.iconIco());
    EXPECT_EQ(image.kind(), "Exécutable Win32 (PE, i386, graphique)");
    EXPECT_EQ(file.reads, 1u);
    EXPECT_EQ(file.bytesRead, whole.size());

    // A resource section far past the first 64 KiB: the headers, then the whole section; the icon and the
    // version block come from it without another read.
    PeBuilder pe;
    pe.add(16, 1, 0x040C, versionResource("Loin dans le fichier"));
    pe.add(14, 1, 0, groupIcon({ { 16, 16, 0, 1, 4, 0, 1 } }));
    pe.add(3, 1, 0, dibImage(16, 16, 4));
    std::string built = pe.build();
    const std::uint32_t moved = 0x30000;
    std::string far = built.substr(0, 0x400) + std::string(moved - 0x400, '\0') + built.substr(0x400);
    putU32(far, pe.layout.sectionHeader + 20, moved);
    CountingFile farFile(far);
    zFileInfo info;
    info.PutOpenFile(&farFile, FileFacts { far.size(), 0, false, true, 0, 0 });
    EXPECT_EQ(info.sCompanyName(), "Loin dans le fichier");
    EXPECT_EQ(farFile.reads, 2u);
    EXPECT_LT(farFile.bytesRead, 16u * 1024) << "the gap before the section is not read";
    CountingFile farAgain(far);
    ExecutableImage farImage(farAgain);
    ASSERT_TRUE(farImage.searchableVersionBlock());
    ASSERT_TRUE(farImage.iconIco());
    EXPECT_EQ(farAgain.reads, 2u);
}

TEST(ExeReaderReads, SectionTooLargeToReadWholeStillGivesTheVersionInAFewSmallReads)
{
    // 400 KiB of icon before the version block: the section is not read whole, and the version strings cost
    // a few small reads that leave the icon alone.
    PeBuilder pe;
    pe.add(3, 1, 0, std::string(400 * 1024, 'i'));
    pe.add(16, 1, 0x040C, versionResource("Après l'image"));
    const std::string bytes = pe.build();
    CountingFile file(bytes);
    zFileInfo info;
    info.PutOpenFile(&file, FileFacts { bytes.size(), 0, false, true, 0, 0 });
    EXPECT_EQ(info.sCompanyName(), "Après l'image");
    EXPECT_LE(file.reads, 4u);
    EXPECT_LT(file.bytesRead, 16u * 1024);
}

TEST(ExeReaderReads, BytesInMemoryGiveWhatTheFileGivesWithoutAnyRead)
{
    auto check = [](const std::string& name, const std::string& bytes) {
        CountingFile file(bytes);
        ExecutableImage fromFile(file);
        ExecutableImage fromMemory { std::string_view(bytes) };
        EXPECT_EQ(fromMemory.kind(), fromFile.kind()) << name;
        EXPECT_EQ(fromMemory.iconIco(), fromFile.iconIco()) << name;
        const auto& a = fromMemory.versionResource();
        const auto& b = fromFile.versionResource();
        ASSERT_EQ(a.has_value(), b.has_value()) << name;
        if (a) {
            EXPECT_EQ(a->bytes, b->bytes) << name;
            EXPECT_EQ(a->wide, b->wide) << name;
        }
        EXPECT_EQ(fromMemory.fileReads(), 0u);
        EXPECT_GT(file.reads, 0u);
    };
    for (const char* name : { "fr32.exe", "mouse.drv", "claims.exe", "lib64.dll", "langs64.exe", "display.drv" }) {
        const std::string whole = fixture(name);
        check(name, whole);
        // Past the whole-read size the file is read by parts: the results stay the same.
        check(std::string(name) + " padded", whole + std::string(kWholeReadLimit, '\0'));
    }
    // The one version record of a VxD, and a 16-bit block, read by parts too.
    check("vxd", leFile(versionBlock16("040904E4", { { "FileDescription", "Pilote" } })) + std::string(70000, ' '));

    // A file that could not be opened gives the image of nothing.
    ExecutableImage none { std::unique_ptr<ReadableFile>() };
    EXPECT_EQ(none.header(), nullptr);
    EXPECT_EQ(none.kind(), "");
    EXPECT_FALSE(none.versionResource());
    EXPECT_FALSE(none.iconIco());
}

// ---- The choice of resource -----------------------------------------------------------------------------

TEST(ExeReaderChoice, LanguageNeutralThenFrenchThenEnglishThenFirst)
{
    auto pick = [](std::vector<std::uint16_t> langs) {
        PeBuilder pe;
        for (std::uint16_t l : langs) {
            char name[16];
            std::snprintf(name, sizeof name, "lang %04X", l);
            pe.add(16, 1, l, versionResource(name));
        }
        return infoOf(pe.build()).sCompanyName();
    };
    EXPECT_EQ(pick({ 0x0407, 0x0409, 0x040C, 0x0000 }), "lang 0000");
    EXPECT_EQ(pick({ 0x0407, 0x0409, 0x040C }), "lang 040C");
    EXPECT_EQ(pick({ 0x0407, 0x0409, 0x0C0C }), "lang 0409");
    EXPECT_EQ(pick({ 0x0410, 0x0407 }), "lang 0410");
}

TEST(ExeReaderChoice, VersionIdOneElseTheFirstInDirectoryOrder)
{
    PeBuilder pe;
    pe.addNamed(16, "VERSION", 0x040C, versionResource("named"));
    pe.add(16, 3, 0x040C, versionResource("three"));
    pe.add(16, 1, 0x0409, versionResource("one"));
    EXPECT_EQ(infoOf(pe.build()).sCompanyName(), "one");

    PeBuilder other;
    other.addNamed(16, "VERSION", 0x040C, versionResource("named"));
    other.add(16, 3, 0x040C, versionResource("three"));
    EXPECT_EQ(infoOf(other.build()).sCompanyName(), "named");
}

TEST(ExeReaderChoice, PackedHeadersInsideTheDosHeaderAreRead)
{
    for (std::uint32_t lfanew : { 0x0Cu, 0x10u }) {
        PeBuilder pe;
        pe.lfanew = lfanew;
        pe.add(16, 1, 0, versionResource("Compressé"));
        std::string bytes = pe.build();
        EXPECT_EQ(infoOf(bytes).sCompanyName(), "Compressé") << lfanew;
        EXPECT_EQ(kindOf(bytes), "Exécutable Win32 (PE, i386, graphique)") << lfanew;
    }
}

// ---- Damaged and hostile resource trees ----------------------------------------------------------------

TEST(ExeReaderDamage, ResourceDirectoriesThatLoopEnd)
{
    PeBuilder pe;
    pe.add(16, 1, 0x040C, versionResource("ok"));
    const std::string good = pe.build();
    const std::uint32_t root = pe.layout.rootFileOffset;
    ASSERT_EQ(infoOf(good).sCompanyName(), "ok");

    // The name level points back at the root, the language level at its own directory,
    // and the language entry at a directory instead of data.
    struct Patch {
        std::uint32_t at;
        std::uint32_t value;
    } patches[] = {
        { root + pe.layout.typeDirs[0] + 16 + 4, 0x80000000u },
        { root + pe.layout.typeDirs[0] + 16 + 4, 0x80000000u | pe.layout.typeDirs[0] },
        { root + pe.layout.nameDirs[0][0] + 16 + 4, 0x80000000u | pe.layout.nameDirs[0][0] },
        { root + pe.layout.nameDirs[0][0] + 16 + 4, 0x80000000u | pe.layout.typeDirs[0] },
    };
    for (const Patch& p : patches) {
        std::string bad = good;
        putU32(bad, p.at, p.value);
        auto start = std::chrono::steady_clock::now();
        zFileInfo info = infoOf(bad);
        EXPECT_EQ(info.sCompanyName(), "");
        EXPECT_FALSE(iconOf(bad));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
}

TEST(ExeReaderDamage, HugeCountsAndSizesAreClampedToTheFile)
{
    PeBuilder pe;
    pe.add(16, 1, 0x040C, versionResource("clamped"));
    const std::string good = pe.build();
    const std::uint32_t root = pe.layout.rootFileOffset;

    // 65535 + 65535 entries announced by the type and name levels: the caps bound the reading, the real
    // entries come first and are found.
    std::string counts = good;
    for (std::uint32_t dir : { 0u, pe.layout.typeDirs[0] }) {
        putU16(counts, root + dir + 12, 0xFFFF);
        putU16(counts, root + dir + 14, 0xFFFF);
    }
    EXPECT_EQ(infoOf(counts).sCompanyName(), "clamped");

    // A data size of almost 4 GiB: the block is cut to the file and to its own length.
    std::string size = good;
    putU32(size, root + pe.layout.dataEntries[0][0][0] + 4, 0xFFFFFFF0u);
    EXPECT_EQ(infoOf(size).sCompanyName(), "clamped");

    // Data outside every section, a resource root outside the file, a section past the end of the file.
    std::string rva = good;
    putU32(rva, root + pe.layout.dataEntries[0][0][0], 0x7FFF0000u);
    EXPECT_EQ(infoOf(rva).sCompanyName(), "");
    std::string section = good;
    putU32(section, pe.layout.sectionHeader + 20, 0xFFFFFF00u);
    EXPECT_EQ(infoOf(section).sCompanyName(), "");
    EXPECT_EQ(kindOf(section), "Exécutable Win32 (PE, i386, graphique)");

    // A resource directory whose size was left at 0 is read all the same; one with no address is not.
    std::string noSize = good;
    putU32(noSize, pe.lfanew + 24 + 96 + 20, 0);
    EXPECT_EQ(infoOf(noSize).sCompanyName(), "clamped");
    std::string noAddress = good;
    putU32(noAddress, pe.lfanew + 24 + 96 + 16, 0);
    EXPECT_EQ(infoOf(noAddress).sCompanyName(), "");

    // Thousands of sections announced, a new-header offset past the end.
    std::string sections = good;
    putU16(sections, pe.lfanew + 6, 0xFFFF);
    EXPECT_EQ(infoOf(sections).sCompanyName(), "clamped");
    std::string lfanew = good;
    putU32(lfanew, 0x3C, 0xFFFFFFF0u);
    EXPECT_EQ(kindOf(lfanew), "Exécutable MS-DOS (MZ)");
    EXPECT_EQ(infoOf(lfanew).sCompanyName(), "");
}

// ---- The 32-bit block brought to the single-byte layout --------------------------------------------------

TEST(ExeReaderBlock, ConvertedBlockKeepsTheOffsetsOfTheKeySearch)
{
    // Keys of 11 to 16 characters: the value lies 12, 16 or 20 bytes after the key in the converted block.
    std::string wide = versionBlock32({ { "040C04E4",
        { string32("CompanyName", "Société"), string32("FileDescription", "Décrit"), string32("FileVersion", "1.0"),
            string32("InternalName", "INT"), string32("LegalCopyright", "©"), string32("OriginalFilename", "ORIG.EXE"),
            string32("ProductName", "Produit"), string32("ProductVersion", "2.0") } } });
    std::string narrow = singleByteVersionBlock(wide);
    for (auto [key, offset] :
        { std::pair { "CompanyName", 12 }, { "FileDescription", 16 }, { "OriginalFilename", 20 } }) {
        std::size_t p = narrow.find(key);
        ASSERT_NE(p, std::string::npos);
        EXPECT_EQ(p % 4, 0u) << "each key starts 4 bytes into a 4-aligned node";
        EXPECT_NE(narrow[p + offset], '\0') << key;
        EXPECT_EQ(narrow[p + offset - 1], '\0') << key;
    }
    zFileInfo info;
    info.PutVersionBlock(narrow);
    EXPECT_EQ(info.sCompanyName(), "Société");
    EXPECT_EQ(info.sFileDescription(), "Décrit");
    EXPECT_EQ(info.sFileVersion(), "1.0");
    EXPECT_EQ(info.sInternalName(), "INT");
    EXPECT_EQ(info.sLegalCopyright(), "©");
    EXPECT_EQ(info.sOriginalFilename(), "ORIG.EXE");
    EXPECT_EQ(info.sProductName(), "Produit");
    EXPECT_EQ(info.sProductVersion(), "2.0");
    // Lengths recomputed: the root's wLength covers the whole converted block.
    EXPECT_EQ(ByteView(narrow).u16(0), narrow.size());
}

TEST(ExeReaderBlock, OddLengthsUnterminatedValuesAndBadNodes)
{
    // wValueLength in bytes instead of characters, 1 for an empty string, and a value without NUL whose
    // node ends on an odd length: values are read up to the NUL inside their node, never into the next one.
    std::string noNul = node32("ProductName", utf16le("Sans fin"), 8, 1);
    noNul.resize(noNul.size() + 1, 'x'); // odd length: a lone byte after the last character
    putU16(noNul, 0, static_cast<std::uint32_t>(noNul.size()));
    std::string block = versionBlock32({ { "040C04E4",
        { node32("CompanyName", utf16le("Octets") + std::string(2, '\0'), 14, 1),
            node32("InternalName", std::string(2, '\0'), 1, 1), noNul, string32("FileVersion", "après") } } });
    zFileInfo info;
    info.PutVersionBlock(singleByteVersionBlock(block));
    EXPECT_EQ(info.sCompanyName(), "Octets");
    EXPECT_EQ(info.sInternalName(), "");
    EXPECT_EQ(info.sProductName(), "Sans fin");
    EXPECT_EQ(info.sFileVersion(), "après");

    // A node with wLength 0 ends its table: entries before it are kept, none after it is invented.
    std::string zero = node32("Bogus", "", 0, 1);
    putU16(zero, 0, 0);
    info.PutVersionBlock(singleByteVersionBlock(versionBlock32(
        { { "040C04E4", { string32("CompanyName", "avant"), zero, string32("ProductName", "après") } } })));
    EXPECT_EQ(info.sCompanyName(), "avant");
    EXPECT_EQ(info.sProductName(), "");

    // A node that claims more than its parent holds is cut to the parent and ends the loop.
    std::string big = string32("CompanyName", "coupé");
    putU16(big, 0, 0xFFF0);
    std::string overrun = versionBlock32({ { "040C04E4", { big } } });
    info.PutVersionBlock(singleByteVersionBlock(overrun));
    EXPECT_EQ(info.sCompanyName(), "coupé");

    // Unpaired surrogates become U+FFFD; nothing is dropped around them.
    std::string lone = std::string("\x3D\xD8", 2) + utf16le("x") + std::string("\x00\xDE", 2) + std::string(2, '\0');
    info.PutVersionBlock(
        singleByteVersionBlock(versionBlock32({ { "040C04E4", { node32("CompanyName", lone, 4, 1) } } })));
    EXPECT_EQ(info.sCompanyName(), "\xEF\xBF\xBDx\xEF\xBF\xBD");

    // A block without strings, a block too short to hold a node.
    info.PutVersionBlock(singleByteVersionBlock(versionBlock32({})));
    EXPECT_EQ(info.sCompanyName(), "");
    EXPECT_EQ(singleByteVersionBlock(std::string("\x04\x00", 2)), "");
}

TEST(ExeReaderBlock, KeyInsideAnEarlierValueWinsInTheConvertedBlock)
{
    std::string block = versionBlock32(
        { { "040C04E4", { string32("Comments", "see FileVersion notes"), string32("FileVersion", "1.0") } } });
    zFileInfo info;
    info.PutVersionBlock(singleByteVersionBlock(block));
    EXPECT_EQ(info.sFileVersion(), "notes"); // "FileVersion" + 12 bytes lands after "FileVersion "
}

TEST(ExeReaderBlock, SixteenBitBlocksAreSearchedAsTheyStandInWindows1252)
{
    std::string block = versionBlock16(
        "040C04E4", { { "CompanyName", "Soci\xe9t\xe9 G\xe9n\xe9rale" }, { "FileDescription", "Biblioth\xe8que" } });
    NeBuilder ne;
    ne.add(0x8010, 0x8001, block);
    std::string bytes = ne.build();
    MemoryFile file(bytes);
    ExecutableImage image(file);
    auto raw = image.versionResource();
    ASSERT_TRUE(raw);
    EXPECT_FALSE(raw->wide);
    EXPECT_EQ(raw->bytes, block);
    zFileInfo info = infoOf(bytes);
    EXPECT_EQ(info.sCompanyName(), "Société Générale");
    EXPECT_EQ(info.sFileDescription(), "Bibliothèque");
    EXPECT_EQ(kindOf(bytes), "Exécutable Windows 16 bits (NE)");

    // A value without NUL at the end of a 16-bit block runs to the end of the block.
    std::string open = block + "ProductName" + std::string(1, '\0') + "Fin ouverte";
    putU16(open, 0, static_cast<std::uint32_t>(open.size()));
    NeBuilder ne2;
    ne2.add(0x8010, 0x8001, open);
    EXPECT_EQ(infoOf(ne2.build()).sProductName(), "Fin ouverte");
}

TEST(ExeReaderBlock, VxdVersionRecordIsRead)
{
    std::string vxd = leFile(versionBlock16("040904E4", { { "FileDescription", "Pilote r\xe9seau" } }));
    EXPECT_EQ(infoOf(vxd).sFileDescription(), "Pilote réseau");
    EXPECT_EQ(kindOf(vxd), "Pilote virtuel Windows (VxD, LE)");
    std::string cut = vxd.substr(0, vxd.size() - 20);
    EXPECT_EQ(infoOf(cut).sFileDescription(), "");
}

// ---- Header kinds ---------------------------------------------------------------------------------------

TEST(ExeReaderKind, LabelsFromTheHeaders)
{
    EXPECT_EQ(kindOf(""), "");
    EXPECT_EQ(kindOf("PK\x03\x04 not an executable"), "");
    EXPECT_EQ(kindOf(std::string("MZ") + std::string(100, '\0')), "Exécutable MS-DOS (MZ)");
    EXPECT_EQ(kindOf(std::string("ZM") + std::string(100, '\0')), "Exécutable MS-DOS (MZ)");

    auto pe = [](auto tweak) {
        PeBuilder b;
        tweak(b);
        return kindOf(b.build());
    };
    EXPECT_EQ(pe([](PeBuilder& b) { b.subsystem = 3; }), "Exécutable Win32 (PE, i386, console)");
    EXPECT_EQ(pe([](PeBuilder& b) {
        b.plus = true;
        b.machine = 0xAA64;
    }),
        "Exécutable Win64 (PE32+, ARM64, graphique)");
    EXPECT_EQ(pe([](PeBuilder& b) { b.clr = true; }), "Exécutable .NET (PE, i386, graphique)");
    EXPECT_EQ(pe([](PeBuilder& b) { b.characteristics = 0x2102; }), "Bibliothèque Win32 (PE, i386)");
    EXPECT_EQ(pe([](PeBuilder& b) { b.machine = 0x1234; }), "Exécutable Win32 (PE, machine 0x1234, graphique)");
    EXPECT_EQ(pe([](PeBuilder& b) { b.subsystem = 1; }), "Exécutable Win32 (PE, i386, natif)");
    EXPECT_EQ(pe([](PeBuilder& b) {
        b.plus = true;
        b.machine = 0x8664;
        b.subsystem = 10;
    }),
        "Programme EFI (PE32+, x64)");

    NeBuilder ne;
    EXPECT_EQ(kindOf(ne.build()), "Exécutable Windows 16 bits (NE)");
    ne.targetOs = 1;
    EXPECT_EQ(kindOf(ne.build()), "Exécutable OS/2 16 bits (NE)");
    ne.flags = 0x8001;
    EXPECT_EQ(kindOf(ne.build()), "Bibliothèque OS/2 16 bits (NE)");
    // OS/2 resource tables have another layout: what would read as a Windows version resource is not taken.
    ne.add(0x8010, 0x8001, versionBlock16("040C04E4", { { "CompanyName", "OS/2" } }));
    EXPECT_EQ(infoOf(ne.build()).sCompanyName(), "");
    ne.targetOs = 2;
    EXPECT_EQ(infoOf(ne.build()).sCompanyName(), "OS/2");

    std::string le = leFile(versionBlock16("040904E4", {}), 1, 0);
    EXPECT_EQ(kindOf(le), "Exécutable 32 bits (LE)");
    std::string lx = le;
    lx[0x81] = 'X';
    EXPECT_EQ(kindOf(lx), "Exécutable OS/2 32 bits (LX)");
    EXPECT_EQ(infoOf(lx).sFileDescription(), ""); // LX files keep no version record there
}

// ---- Icons from built files -----------------------------------------------------------------------------

TEST(ExeReaderIcons, ImagesDescribeThemselvesAndMissingOnesAreSkipped)
{
    PeBuilder pe;
    const std::string dib48 = dibImage(48, 48, 4);
    const std::string png256 = pngImage(256, 256);
    const std::string core = [] {
        std::string c(12, '\0');
        putU32(c, 0, 12);
        putU16(c, 4, 24);
        putU16(c, 6, 48);
        putU16(c, 8, 1);
        putU16(c, 10, 1);
        return c + std::string(24 * 4, '\0');
    }();
    pe.add(14, 7, 0x0409,
        groupIcon({ { 0, 0, 0, 0, 0, 0, 1 }, { 16, 16, 0, 1, 32, 99, 2 }, { 32, 32, 2, 1, 0, 0, 5 },
            { 1, 1, 0, 1, 0, 0, 3 } }));
    pe.add(3, 1, 0x0409, dib48);
    pe.add(3, 2, 0x040C, png256); // another language than the group's: still found
    pe.add(3, 3, 0x0409, core);
    // id 5 is missing: skipped
    auto ico = iconOf(pe.build());
    ASSERT_TRUE(ico);
    auto e = icoEntries(*ico);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ((std::vector<int> { e[0].width, e[0].height, e[0].colours, e[0].planes, e[0].bitCount }),
        (std::vector<int> { 48, 48, 16, 1, 4 }));
    EXPECT_EQ(e[0].image, dib48);
    EXPECT_EQ((std::vector<int> { e[1].width, e[1].height, e[1].bitCount }), (std::vector<int> { 0, 0, 32 }));
    EXPECT_EQ(e[1].image, png256);
    EXPECT_EQ((std::vector<int> { e[2].width, e[2].height, e[2].colours, e[2].bitCount }),
        (std::vector<int> { 24, 24, 2, 1 }));

    // A group whose images are all missing or unreadable yields no icon.
    PeBuilder empty;
    empty.add(14, 1, 0, groupIcon({ { 16, 16, 0, 1, 32, 0, 9 }, { 16, 16, 0, 1, 32, 0, 1 } }));
    empty.add(3, 1, 0, "not an image at all");
    EXPECT_FALSE(iconOf(empty.build()));
}

TEST(ExeReaderIcons, SixteenBitIconGroupsPointAtIconIds)
{
    NeBuilder ne;
    const std::string small = dibImage(16, 16, 4);
    const std::string large = dibImage(32, 32, 8);
    ne.add(0x8003, 0x8001, small);
    ne.add(0x8003, 0x8002, large);
    ne.add(0x800E, 0x8001, groupIcon({ { 32, 32, 0, 1, 8, 0, 2 }, { 16, 16, 16, 1, 4, 0, 1 } }));
    auto ico = iconOf(ne.build());
    ASSERT_TRUE(ico);
    auto e = icoEntries(*ico);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].image, large);
    EXPECT_EQ(e[1].image, small);
    EXPECT_EQ(e[1].colours, 16);
}

// ---- The scan --------------------------------------------------------------------------------------------

TEST(ExeReaderScan, RowsGetDescriptionAndVersionAndPutFileNameStartsAfresh)
{
    TempDir tmp;
    const std::string dir = tmp.mkdir("disc");
    tmp.write("disc/COLLEC.EXE", fixture("fr32.exe"));
    tmp.write("disc/PLAIN.EXE", std::string("MZ") + std::string(200, '\0'));
    ResultTables tables;
    ScanEngine engine(tables);
    engine.scan(dir);
    const Grid& grid = tables.GridLogiciel(TableExecutables);
    int collec = -1;
    for (int r = 1; r < grid.Rows(); ++r)
        if (grid.cell(r, 2) == " Collec.exe")
            collec = r;
    ASSERT_GT(collec, 0);
    // Over 50 characters: the first 95 and "...".
    EXPECT_EQ(grid.cell(collec, 0),
        "Gestionnaire de collections pour archivistes : catalogue, étiquettes, prêts, inventaire détaill...");
    EXPECT_EQ(grid.cell(collec, 3), "3.1.4.1");

    zFileInfo info;
    info.PutFileName(kExeData + "fr32.exe");
    ASSERT_EQ(info.sFileVersion(), "3.1.4.1");
    info.PutFileName(tmp.str() + "/disc/PLAIN.EXE");
    for (int k = zFileInfo::FileVersion; k < zFileInfo::ItemCount; ++k)
        EXPECT_EQ(info.item(static_cast<zFileInfo::Item>(k)), "");
    EXPECT_EQ(info.sSize(), "202");
}
