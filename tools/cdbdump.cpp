// cdbdump FILE TAG [-s FIELD]...: prints the attributes, tables, fields and rows of a CompactDB file. Values
// of the fields named with -s are offsets into the data area and print as the strings stored there.
#include "compactdb.h"
#include "qzexceptions.h"
#include "qzfile.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

std::string Name(const char (&stored)[16]) {
    return std::string(stored, strnlen(stored, 16));
}

void PrintValue(const CompactDB_Reader& db, const uint8_t* value, uint32_t size, bool isstring) {
    if (size == 4) {
        uint32_t v;
        std::memcpy(&v, value, 4);
        if (isstring && v < db.GetDataSize())
            std::printf(" \"%.*s\"", static_cast<int>(strnlen(db.GetData(v), db.GetDataSize() - v)),
                        db.GetData(v));
        else
            std::printf(" %u", v);
        return;
    }
    std::printf(" ");
    for (uint32_t i = 0; i < size; ++i)
        std::printf("%02x", value[i]);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strlen(argv[2]) != 4) {
        std::fprintf(stderr, "usage: cdbdump FILE TAG [-s FIELD]...\n");
        return 2;
    }
    std::set<std::string> strings;
    for (int i = 3; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "-s") == 0)
            strings.insert(argv[i + 1]);

    qzString image;
    try {
        qzFile file;
        file.Open(argv[1], true, false, true, false, OPEN_EXISTING);
        file.ReadAll(image);
    } catch (const qzIOException&) {
        std::fprintf(stderr, "cdbdump: %s cannot be read\n", argv[1]);
        return 1;
    }
    char tag[5];
    std::memcpy(tag, argv[2], 5);
    CompactDB_Reader db;
    if (!db.Load(image.GetData(), image.GetLength(), tag)) {
        std::fprintf(stderr, "cdbdump: %s is not a valid CompactDB file of type %s\n", argv[1], tag);
        return 1;
    }

    std::printf("attributes: %u\n", db.GetAttributeCount());
    for (uint32_t i = 0; i < db.GetAttributeCount(); ++i) {
        const CompactDB_Data_Attribute& a = db.GetAttribute(i);
        std::printf("  %s = %u %u\n", Name(a.name).c_str(), a.value1, a.value2);
    }
    std::printf("tables: %u, data area: %u bytes\n", db.GetTableCount(), db.GetDataSize());
    for (uint32_t t = 0; t < db.GetTableCount(); ++t) {
        CompactDB_Table table = db.GetTable(t);
        std::string name = Name(db.GetTableRecord(t).name);
        if (!table.Exists()) {
            std::printf("table %u \"%s\": corrupt record\n", t, name.c_str());
            continue;
        }
        std::printf("table %u \"%s\": %u rows of %u bytes\n  fields:", t, name.c_str(), table.GetRowCount(),
                    table.rowsize);
        for (uint32_t f = 0; f < table.fieldcount; ++f) {
            const CompactDB_Data_Field& field = table.GetField(f);
            std::printf(" %s(%u@%u)", Name(field.name).c_str(), field.size, field.offset);
        }
        std::printf("\n");
        for (uint32_t r = 0; r < table.GetRowCount(); ++r) {
            std::printf("  %u:", r);
            for (uint32_t f = 0; f < table.fieldcount; ++f) {
                const CompactDB_Data_Field& field = table.GetField(f);
                if (field.offset > table.rowsize || field.size > table.rowsize - field.offset) {
                    std::printf(" ?");
                    continue;
                }
                const uint8_t* value = table.GetRow(r).row + field.offset;
                PrintValue(db, value, field.size, strings.count(Name(field.name)) != 0);
            }
            std::printf("\n");
        }
    }
    return 0;
}
