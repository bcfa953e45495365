// CompactDB: fixed-size tables of fixed-size rows with named fields, named attributes and a free data area,
// in a file stored plain ("CDBu") or zlib-compressed ("CDBc") behind a type tag and an MD5 digest. The reader
// checks a whole image and then hands out pointers into it; the writer builds the same image in memory.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

struct CompactDB_Data_Attribute {
    char name[16];
    uint32_t value1;
    uint32_t value2;
};

struct CompactDB_Data_Table {
    char name[16];
    uint32_t firstfield;
    uint32_t fieldcount;
    uint32_t rowoffset;
    uint32_t rowcount;
    uint32_t rowsize;
};

struct CompactDB_Data_Field {
    char name[16];
    uint32_t offset;
    uint32_t size;
};

static_assert(sizeof(CompactDB_Data_Attribute) == 24);
static_assert(sizeof(CompactDB_Data_Table) == 36);
static_assert(sizeof(CompactDB_Data_Field) == 24);
// Records are read and written in place: the file's little-endian integers must be the host's own.
static_assert(std::endian::native == std::endian::little);

// True when the 16 stored name bytes name the zero-terminated query.
bool CompactDB_NameMatches(const char (&stored)[16], const char* query);

struct CompactDB_Field {
    bool Exists() const { return exists; }

    bool exists = false;
    uint32_t offset = 0;
    uint32_t size = 0;
    uint32_t tableindex = 0;
};

struct CompactDB_Row {
    const void* Get(const CompactDB_Field& f) const;
    uint32_t GetUInt(const CompactDB_Field& f) const; // a 4-byte value, read unaligned

    const uint8_t* row = nullptr;
    uint32_t tableindex = 0;
};

struct CompactDB_Table {
    bool Exists() const { return fields != nullptr; }

    uint32_t GetRowCount() const;
    CompactDB_Row GetRow(uint32_t i) const;
    // Only a field of exactly size bytes is found: the program reads 4-byte unsigned values.
    CompactDB_Field FindField(const char* name, uint32_t size = 4) const;
    const CompactDB_Data_Field& GetField(uint32_t i) const;
    uint32_t GetFieldSize(uint32_t i) const;

    const CompactDB_Data_Field* fields = nullptr;
    uint32_t fieldcount = 0;
    const uint8_t* rows = nullptr;
    uint32_t rowcount = 0;
    uint32_t rowsize = 0;
    uint32_t tableindex = 0;
};

class CompactDB_Reader {
public:
    // Any failed check answers false and leaves the reader empty; only running out of memory throws.
    bool Load(const void* image, size_t size, const char (&tag)[5], const void* key = nullptr,
              size_t keysize = 0);

    uint32_t GetTableCount() const { return tablecount; }
    uint32_t GetAttributeCount() const { return attributecount; }
    CompactDB_Table FindTable(const char* name) const;
    CompactDB_Table GetTable(uint32_t i) const;
    // The record itself, unchecked, for its name.
    const CompactDB_Data_Table& GetTableRecord(uint32_t i) const;
    const CompactDB_Data_Attribute& GetAttribute(uint32_t i) const;
    uint32_t GetAttributeValue(uint32_t i) const;
    const char* GetData(uint32_t pos) const;
    uint32_t GetDataSize() const { return data_size; }

private:
    void Clear();
    CompactDB_Table CheckedTable(uint32_t i) const;

    std::vector<uint8_t> rawdata;
    const uint8_t* attributes = nullptr;
    uint32_t attributecount = 0;
    const uint8_t* tables = nullptr;
    uint32_t tablecount = 0;
    const uint8_t* fields = nullptr;
    uint32_t fieldcount = 0;
    const uint8_t* rowdata = nullptr;
    uint32_t rowdatasize = 0;
    const uint8_t* data = nullptr;
    uint32_t data_size = 0;
};

class CompactDB_Writer {
public:
    void AddTable(const char* name);
    // The field's value follows the ones before it in the row, which grows by size bytes.
    void AddField(const char* name, uint32_t size);
    void AddAttribute(const char* name, uint32_t value1, uint32_t value2);
    // Rows of the last table, zero-filled; the pointer is valid until the next BeginRows or AddData.
    uint8_t* BeginRows(uint32_t count);
    // Space for a value in the data area; the caller writes it at GetDataPointer(offset).
    uint32_t AddData(uint32_t size);
    uint32_t AddString(const char* text); // zero-terminated, as the symbol names are stored
    uint8_t* GetDataPointer(uint32_t offset) { return datas.data() + offset; }
    // The file image; valid until the next Save.
    const std::vector<uint8_t>& Save(const char (&tag)[5], const void* key, size_t keysize, bool compress);

private:
    std::vector<CompactDB_Data_Attribute> attributes;
    std::vector<CompactDB_Data_Table> tables;
    std::vector<CompactDB_Data_Field> fields;
    std::vector<uint8_t> rows;
    std::vector<uint8_t> datas;
    std::vector<uint8_t> output;
    uint32_t currentrowsize = 0;
    const uint8_t* current_rows = nullptr;
};
