#include "compactdb.h"

#include "qzassert.h"
#include "qzmd5.h"
#include "zlibhelper.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t HEADERSIZE = 24;
constexpr size_t COUNTSSIZE = 16;

// The digest of the stored payload followed by the key.
std::array<uint8_t, 16> Digest(const uint8_t* payload, size_t size, const void* key, size_t keysize) {
    if (key == nullptr)
        keysize = 0;
    return qzMD5Digest({{payload, size}, {static_cast<const uint8_t*>(key), keysize}});
}

uint32_t ReadUInt(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

void CopyName(char (&name)[16], const char* text) {
    std::memset(name, 0, sizeof name);
    std::memcpy(name, text, strnlen(text, sizeof name)); // a 16-byte name keeps no zero
}

template <class Record> const Record* RecordAt(const uint8_t* array, uint32_t i) {
    return reinterpret_cast<const Record*>(array + static_cast<size_t>(i) * sizeof(Record));
}

void AppendBytes(std::vector<uint8_t>& out, const void* bytes, size_t size) {
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    out.insert(out.end(), b, b + size);
}

// Every count and offset of the format is 32 bits: a writer that would pass that cannot save.
uint32_t CheckedSize(size_t size) {
    if (size > 0xFFFFFFFFu)
        throw std::length_error("CompactDB image exceeds 4 GiB");
    return static_cast<uint32_t>(size);
}

} // namespace

bool CompactDB_NameMatches(const char (&stored)[16], const char* query) {
    for (int i = 0; i < 16; ++i) {
        if (stored[i] != query[i])
            return false;
        if (stored[i] == 0)
            return true;
    }
    return query[16] == 0;
}

const void* CompactDB_Row::Get(const CompactDB_Field& f) const {
    QZASSERT(f.Exists(), "f.Exists()");
    QZASSERT(f.tableindex == tableindex, "f.tableindex==tableindex");
    return row + f.offset;
}

uint32_t CompactDB_Row::GetUInt(const CompactDB_Field& f) const {
    return ReadUInt(static_cast<const uint8_t*>(Get(f)));
}

uint32_t CompactDB_Table::GetRowCount() const {
    QZASSERT(Exists(), "Exists()");
    return rowcount;
}

CompactDB_Row CompactDB_Table::GetRow(uint32_t i) const {
    QZASSERT(Exists(), "Exists()");
    QZASSERT(i < rowcount, "i<rowcount");
    return {rows + static_cast<size_t>(rowsize) * i, tableindex};
}

CompactDB_Field CompactDB_Table::FindField(const char* name, uint32_t size) const {
    if (!Exists())
        return {};
    for (uint32_t i = 0; i < fieldcount; ++i) {
        const CompactDB_Data_Field& f = fields[i];
        if (f.size != size || !CompactDB_NameMatches(f.name, name))
            continue;
        if (f.offset > rowsize || f.size > rowsize - f.offset)
            return {};
        return {true, f.offset, f.size, tableindex};
    }
    return {};
}

const CompactDB_Data_Field& CompactDB_Table::GetField(uint32_t i) const {
    QZASSERT(Exists(), "Exists()");
    QZASSERT(i < fieldcount, "i<fieldcount");
    return fields[i];
}

uint32_t CompactDB_Table::GetFieldSize(uint32_t i) const {
    return GetField(i).size;
}

// The buffer keeps its capacity: a reload of a similar file writes into memory that is already mapped.
void CompactDB_Reader::Clear() {
    std::vector<uint8_t> buffer;
    buffer.swap(rawdata);
    buffer.clear();
    *this = CompactDB_Reader();
    rawdata.swap(buffer);
}

bool CompactDB_Reader::Load(const void* image, size_t size, const char (&tag)[5], const void* key,
                            size_t keysize) {
    Clear();
    const uint8_t* bytes = static_cast<const uint8_t*>(image);
    if (size < HEADERSIZE)
        return false;
    bool compressed = std::memcmp(bytes, "CDBc", 4) == 0;
    if (!compressed && std::memcmp(bytes, "CDBu", 4) != 0)
        return false;
    if (std::memcmp(bytes + 4, tag, 4) != 0)
        return false;
    const size_t stored = size - HEADERSIZE;
    std::array<uint8_t, 16> digest = Digest(bytes + HEADERSIZE, stored, key, keysize);
    if (std::memcmp(digest.data(), bytes + 8, digest.size()) != 0)
        return false;
    std::vector<uint8_t>& raw = rawdata;
    if (compressed) {
        if (!zlibhelper_Decompress(bytes + HEADERSIZE, stored, raw, 0xFFFFFFFFu))
            return false;
    } else {
        if (stored > 0xFFFFFFFFu)
            return false;
        raw.assign(bytes + HEADERSIZE, bytes + size);
    }

    // Each array must fit in what is left of the image; sums are taken in 64 bits.
    const uint64_t r = raw.size();
    if (r < COUNTSSIZE) {
        Clear();
        return false;
    }
    const uint8_t* base = raw.data();
    uint32_t counts[4] = {ReadUInt(base), ReadUInt(base + 4), ReadUInt(base + 8), ReadUInt(base + 12)};
    uint64_t p = COUNTSSIZE;
    const uint64_t recordsizes[3] = {sizeof(CompactDB_Data_Attribute), sizeof(CompactDB_Data_Table),
                                     sizeof(CompactDB_Data_Field)};
    uint64_t starts[4];
    for (int i = 0; i < 3; ++i) {
        if (counts[i] > (r - p) / recordsizes[i]) {
            Clear();
            return false;
        }
        starts[i] = p;
        p += recordsizes[i] * counts[i];
    }
    if (counts[3] > r - p) {
        Clear();
        return false;
    }
    starts[3] = p;
    p += counts[3];

    base = rawdata.data();
    attributes = base + starts[0];
    attributecount = counts[0];
    tables = base + starts[1];
    tablecount = counts[1];
    fields = base + starts[2];
    fieldcount = counts[2];
    rowdata = base + starts[3];
    rowdatasize = counts[3];
    data = base + p;
    data_size = static_cast<uint32_t>(r - p);
    return true;
}

CompactDB_Table CompactDB_Reader::CheckedTable(uint32_t i) const {
    const CompactDB_Data_Table& t = *RecordAt<CompactDB_Data_Table>(tables, i);
    if (t.firstfield > fieldcount || t.fieldcount > fieldcount - t.firstfield || t.rowoffset > rowdatasize)
        return {};
    if (t.rowsize != 0 && t.rowcount > (rowdatasize - t.rowoffset) / t.rowsize)
        return {};
    return {RecordAt<CompactDB_Data_Field>(fields, t.firstfield),
            t.fieldcount,
            rowdata + t.rowoffset,
            t.rowcount,
            t.rowsize,
            i};
}

CompactDB_Table CompactDB_Reader::FindTable(const char* name) const {
    for (uint32_t i = 0; i < tablecount; ++i)
        if (CompactDB_NameMatches(RecordAt<CompactDB_Data_Table>(tables, i)->name, name))
            return CheckedTable(i);
    return {};
}

CompactDB_Table CompactDB_Reader::GetTable(uint32_t i) const {
    QZASSERT(rawdata.size() != 0, "rawdata.size()!=0");
    QZASSERT(i < tablecount, "i<tablecount");
    return CheckedTable(i);
}

const CompactDB_Data_Table& CompactDB_Reader::GetTableRecord(uint32_t i) const {
    QZASSERT(rawdata.size() != 0, "rawdata.size()!=0");
    QZASSERT(i < tablecount, "i<tablecount");
    return *RecordAt<CompactDB_Data_Table>(tables, i);
}

const CompactDB_Data_Attribute& CompactDB_Reader::GetAttribute(uint32_t i) const {
    QZASSERT(rawdata.size() != 0, "rawdata.size()!=0");
    QZASSERT(i < attributecount, "i<attributecount");
    return *RecordAt<CompactDB_Data_Attribute>(attributes, i);
}

uint32_t CompactDB_Reader::GetAttributeValue(uint32_t i) const {
    return GetAttribute(i).value2;
}

const char* CompactDB_Reader::GetData(uint32_t pos) const {
    QZASSERT(pos <= data_size, "pos<=data_size");
    return reinterpret_cast<const char*>(data + pos);
}

void CompactDB_Writer::AddTable(const char* name) {
    CompactDB_Data_Table t{};
    CopyName(t.name, name);
    t.firstfield = CheckedSize(fields.size());
    t.rowoffset = CheckedSize(rows.size());
    tables.push_back(t);
    currentrowsize = 0;
    current_rows = nullptr;
}

void CompactDB_Writer::AddField(const char* name, uint32_t size) {
    QZASSERT(tables.size() != 0, "tables.size()!=0");
    QZASSERT(current_rows == nullptr, "current_rows==NULL");
    CompactDB_Data_Field f{};
    CopyName(f.name, name);
    f.offset = currentrowsize;
    f.size = size;
    currentrowsize = CheckedSize(static_cast<uint64_t>(currentrowsize) + size);
    fields.push_back(f);
}

void CompactDB_Writer::AddAttribute(const char* name, uint32_t value1, uint32_t value2) {
    CompactDB_Data_Attribute a{};
    CopyName(a.name, name);
    a.value1 = value1;
    a.value2 = value2;
    attributes.push_back(a);
}

uint8_t* CompactDB_Writer::BeginRows(uint32_t count) {
    QZASSERT(tables.size() != 0, "tables.size()!=0");
    QZASSERT(current_rows == nullptr, "current_rows==NULL");
    CompactDB_Data_Table& t = tables.back();
    size_t at = rows.size();
    CheckedSize(at + static_cast<uint64_t>(currentrowsize) * count);
    rows.resize(at + static_cast<size_t>(currentrowsize) * count);
    rows.reserve(1); // an empty row area still gets an address, which marks the rows as begun
    t.fieldcount = CheckedSize(fields.size()) - t.firstfield;
    t.rowcount = count;
    t.rowsize = currentrowsize;
    current_rows = rows.data() + at;
    return rows.data() + at;
}

uint32_t CompactDB_Writer::AddData(uint32_t size) {
    uint32_t at = CheckedSize(datas.size());
    CheckedSize(static_cast<uint64_t>(at) + size);
    datas.resize(static_cast<size_t>(at) + size);
    return at;
}

uint32_t CompactDB_Writer::AddString(const char* text) {
    size_t n = std::strlen(text) + 1;
    uint32_t at = AddData(CheckedSize(n));
    std::memcpy(GetDataPointer(at), text, n);
    return at;
}

const std::vector<uint8_t>& CompactDB_Writer::Save(const char (&tag)[5], const void* key, size_t keysize,
                                                   bool compress) {
    std::vector<uint8_t> raw;
    uint32_t counts[4] = {CheckedSize(attributes.size()), CheckedSize(tables.size()),
                          CheckedSize(fields.size()), CheckedSize(rows.size())};
    AppendBytes(raw, counts, sizeof counts);
    AppendBytes(raw, attributes.data(), attributes.size() * sizeof(CompactDB_Data_Attribute));
    AppendBytes(raw, tables.data(), tables.size() * sizeof(CompactDB_Data_Table));
    AppendBytes(raw, fields.data(), fields.size() * sizeof(CompactDB_Data_Field));
    AppendBytes(raw, rows.data(), rows.size());
    AppendBytes(raw, datas.data(), datas.size());
    CheckedSize(raw.size());

    std::vector<uint8_t> compressed;
    if (compress)
        zlibhelper_Compress(raw.data(), raw.size(), compressed);
    const std::vector<uint8_t>& payload = compress ? compressed : raw;
    std::array<uint8_t, 16> digest = Digest(payload.data(), payload.size(), key, keysize);

    output.clear();
    output.reserve(HEADERSIZE + payload.size());
    AppendBytes(output, compress ? "CDBc" : "CDBu", 4);
    AppendBytes(output, tag, 4);
    AppendBytes(output, digest.data(), digest.size());
    AppendBytes(output, payload.data(), payload.size());
    return output;
}
