// Writes seed files for the reader's fuzzer, made with the tests' builders: exe_reader_seeds DIRECTORY
#include "exe/exe_builder.h"

#include <fstream>
#include <iostream>

using namespace quarex::test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: exe_reader_seeds DIRECTORY\n";
        return 2;
    }
    const std::string dir = argv[1];
    auto save = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    };
    const std::string block32
        = versionBlock32({ { "040C04E4",
                               { string32("CompanyName", "Société"), string32("FileDescription", "Décrit 𝄞"),
                                   string32("FileVersion", "1.0") } },
            { "040904B0", { string32("ProductName", "Second") } } });
    const std::string block16 = versionBlock16("040C04E4", { { "CompanyName", "Soci\xe9t\xe9" } });

    PeBuilder pe;
    pe.addNamed(14, "ICONE", 0x040C, groupIcon({ { 16, 16, 16, 1, 4, 0, 1 }, { 0, 0, 0, 1, 32, 0, 2 } }));
    pe.add(3, 1, 0x040C, dibImage(16, 16, 4));
    pe.add(3, 2, 0x0409, pngImage(256, 256));
    pe.add(16, 1, 0x0409, block32);
    pe.add(16, 1, 0x040C, block32);
    save("pe32.exe", pe.build());
    pe.plus = true;
    pe.machine = 0x8664;
    pe.lfanew = 0x0C;
    save("pe64_packed.exe", pe.build());

    NeBuilder ne;
    ne.add(0x8003, 0x8001, dibImage(32, 32, 8));
    ne.add(0x800E, 0x8001, groupIcon({ { 32, 32, 0, 1, 8, 0, 1 } }));
    ne.add(0x8010, 0x8001, block16);
    save("ne.exe", ne.build());

    save("vxd.386", leFile(block16));
    save("block32.bin", block32);
    save("block16.bin", block16);
    return 0;
}
