// Loads an image as CompactDB and touches every byte that any table, field, row, attribute or data offset it
// hands out points at: under the address sanitizer, a read outside the image fails at once.
#pragma once

#include "compactdb.h"

#include <cstring>
#include <string>

// Returns a sum of the bytes read, so that no read can be left out.
inline uint64_t WalkCompactDB(const CompactDB_Reader& db) {
    uint64_t sum = 0;
    for (uint32_t i = 0; i < db.GetAttributeCount(); ++i)
        sum += db.GetAttributeValue(i) + static_cast<unsigned char>(db.GetAttribute(i).name[15]);
    for (uint32_t t = 0; t < db.GetTableCount(); ++t) {
        CompactDB_Table table = db.GetTable(t);
        if (!table.Exists())
            continue;
        std::vector<CompactDB_Field> found;
        for (uint32_t f = 0; f < table.fieldcount; ++f) {
            const CompactDB_Data_Field& record = table.GetField(f);
            char name[17] = {};
            std::memcpy(name, record.name, 16);
            CompactDB_Field field = table.FindField(name, table.GetFieldSize(f));
            if (field.Exists())
                found.push_back(field);
        }
        // Rows past the first few thousand add time, not coverage.
        uint32_t rows = table.GetRowCount() < 4096 ? table.GetRowCount() : 4096;
        for (uint32_t r = 0; r < rows; ++r) {
            CompactDB_Row row = table.GetRow(r);
            for (const CompactDB_Field& field : found) {
                const uint8_t* value = static_cast<const uint8_t*>(row.Get(field));
                for (uint32_t b = 0; b < field.size && b < 64; ++b)
                    sum += value[b];
                if (field.size == 4 && row.GetUInt(field) <= db.GetDataSize()) {
                    uint32_t at = row.GetUInt(field);
                    sum += strnlen(db.GetData(at), db.GetDataSize() - at);
                }
            }
        }
    }
    if (db.GetDataSize() != 0)
        sum += static_cast<unsigned char>(db.GetData(db.GetDataSize() - 1)[0]);
    return sum;
}
