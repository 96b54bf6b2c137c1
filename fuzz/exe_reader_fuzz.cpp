// Feeds arbitrary bytes to the executable reader: headers, kind, icon, version block and its conversion,
// and the key search of zFileInfo over both the converted block and the raw bytes.
#include "exe/exe_reader.h"
#include "exe/file_info.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The .ico must describe exactly the images it carries.
void checkIco(const std::string& ico)
{
    quarex::ByteView v(ico);
    auto count = v.u16(4);
    if (!count || *count == 0 || v.u16(0) != 0 || v.u16(2) != 1)
        std::abort();
    for (std::uint16_t i = 0; i < *count; ++i) {
        auto size = v.u32(6 + 16u * i + 8);
        auto offset = v.u32(6 + 16u * i + 12);
        if (!size || !offset || !v.fits(*offset, *size))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quarex::MemoryFile file(bytes);

    quarex::ExecutableFacts facts = quarex::readExecutableFacts(file);
    if (facts.iconIco)
        checkIco(*facts.iconIco);

    quarex::zFileInfo info;
    info.PutOpenFile(&file, quarex::FileFacts { size, 0, false, true, 0, 0 });

    std::string converted = quarex::singleByteVersionBlock(bytes);
    if (!converted.empty() && converted.size() % 4 != 0)
        std::abort();
    info.PutVersionBlock(converted);
    info.PutVersionBlock(bytes, true);
    return 0;
}
