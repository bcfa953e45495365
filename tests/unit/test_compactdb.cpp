#include "../fuzz/compactdb_walk.h"
#include "compactdb.h"
#include "qzmd5.h"
#include "zlibhelper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

// What a test puts into a writer, kept apart to compare what the reader gives back.
struct ModelTable {
    std::string name;
    std::vector<std::pair<std::string, uint32_t>> fields; // name and size
    uint32_t rowcount = 0;
    std::vector<uint8_t> rows;
};

struct Model {
    std::vector<ModelTable> tables;
    std::vector<std::pair<std::string, uint32_t>> attributes;
    std::vector<uint8_t> data;
};

std::string RandomName(std::mt19937& random) {
    std::string name;
    size_t length = 1 + random() % 16; // up to the full 16 bytes, which are stored without a zero
    for (size_t i = 0; i < length; ++i)
        name += static_cast<char>('a' + random() % 26);
    return name;
}

Model RandomModel(std::mt19937& random) {
    Model m;
    for (uint32_t a = random() % 4; a > 0; --a)
        m.attributes.push_back({RandomName(random), static_cast<uint32_t>(random())});
    for (uint32_t t = random() % 5; t > 0; --t) {
        ModelTable table;
        table.name = RandomName(random);
        uint32_t rowsize = 0;
        for (uint32_t f = random() % 5; f > 0; --f) {
            uint32_t size = 1 + random() % 9;
            table.fields.push_back({RandomName(random), size});
            rowsize += size;
        }
        table.rowcount = random() % 40;
        table.rows.resize(static_cast<size_t>(rowsize) * table.rowcount);
        for (uint8_t& b : table.rows)
            b = static_cast<uint8_t>(random());
        m.tables.push_back(table);
    }
    m.data.resize(random() % 300);
    for (uint8_t& b : m.data)
        b = static_cast<uint8_t>(random());
    return m;
}

std::vector<uint8_t> Save(const Model& m, const std::string& key, bool compress,
                          const char (&tag)[5] = "test") {
    CompactDB_Writer writer;
    for (const auto& [name, value] : m.attributes)
        writer.AddAttribute(name.c_str(), value ^ 0x55u, value);
    for (const ModelTable& table : m.tables) {
        writer.AddTable(table.name.c_str());
        for (const auto& [name, size] : table.fields)
            writer.AddField(name.c_str(), size);
        uint8_t* rows = writer.BeginRows(table.rowcount);
        std::copy(table.rows.begin(), table.rows.end(), rows);
    }
    if (!m.data.empty()) {
        uint32_t at = writer.AddData(static_cast<uint32_t>(m.data.size()));
        std::copy(m.data.begin(), m.data.end(), writer.GetDataPointer(at));
    }
    return writer.Save(tag, key.empty() ? nullptr : key.data(), key.size(), compress);
}

std::string Name(const char* name) {
    return std::string(name, strnlen(name, 16));
}

// Everything the reader hands out equals the model.
void ExpectContent(const CompactDB_Reader& db, const Model& m) {
    ASSERT_EQ(db.GetAttributeCount(), m.attributes.size());
    for (uint32_t i = 0; i < db.GetAttributeCount(); ++i) {
        EXPECT_EQ(Name(db.GetAttribute(i).name), m.attributes[i].first);
        EXPECT_EQ(db.GetAttributeValue(i), m.attributes[i].second);
    }
    ASSERT_EQ(db.GetTableCount(), m.tables.size());
    for (uint32_t t = 0; t < db.GetTableCount(); ++t) {
        const ModelTable& expected = m.tables[t];
        CompactDB_Table table = db.GetTable(t);
        ASSERT_TRUE(table.Exists());
        EXPECT_EQ(table.tableindex, t);
        ASSERT_EQ(table.GetRowCount(), expected.rowcount);
        ASSERT_EQ(table.fieldcount, expected.fields.size());
        EXPECT_EQ(Name(db.GetTableRecord(t).name), expected.name);
        std::vector<uint32_t> offsets;
        uint32_t offset = 0;
        for (uint32_t f = 0; f < table.fieldcount; ++f) {
            EXPECT_EQ(Name(table.GetField(f).name), expected.fields[f].first);
            EXPECT_EQ(table.GetFieldSize(f), expected.fields[f].second);
            EXPECT_EQ(table.GetField(f).offset, offset);
            offsets.push_back(offset);
            offset += expected.fields[f].second;
        }
        // A field found by name and size is the first of that name and size, and each row gives its bytes.
        for (const auto& [name, size] : expected.fields) {
            auto first = std::find(expected.fields.begin(), expected.fields.end(), std::pair(name, size)) -
                         expected.fields.begin();
            CompactDB_Field field = table.FindField(name.c_str(), size);
            ASSERT_TRUE(field.Exists()) << name;
            EXPECT_EQ(field.offset, offsets[first]);
            EXPECT_EQ(field.tableindex, t);
            for (uint32_t r = 0; r < expected.rowcount; ++r)
                ASSERT_EQ(0,
                          std::memcmp(table.GetRow(r).Get(field),
                                      expected.rows.data() + static_cast<size_t>(offset) * r + field.offset,
                                      size));
        }
    }
    ASSERT_EQ(db.GetDataSize(), m.data.size());
    if (!m.data.empty()) {
        EXPECT_EQ(0, std::memcmp(db.GetData(0), m.data.data(), m.data.size()));
    }
}

void Redigest(std::vector<uint8_t>& image) {
    std::array<uint8_t, 16> digest = qzMD5Digest({{image.data() + 24, image.size() - 24}});
    std::memcpy(image.data() + 8, digest.data(), digest.size());
}

} // namespace

TEST(CompactDB, RandomTablesRoundTripPlainAndCompressedWithAndWithoutKey) {
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        Model m = RandomModel(random);
        bool compress = i % 2 == 0;
        std::string key = i % 3 == 0 ? "" : RandomName(random);
        std::vector<uint8_t> image = Save(m, key, compress);
        EXPECT_EQ(std::memcmp(image.data(), compress ? "CDBc" : "CDBu", 4), 0);
        CompactDB_Reader db;
        ASSERT_TRUE(db.Load(image.data(), image.size(), "test", key.data(), key.size())) << i;
        ExpectContent(db, m);
        for (const ModelTable& table : m.tables) {
            CompactDB_Table byname = db.FindTable(table.name.c_str());
            ASSERT_TRUE(byname.Exists());
            EXPECT_EQ(byname.rows, db.GetTable(byname.tableindex).rows);
        }
        EXPECT_FALSE(db.Load(image.data(), image.size(), "tesT", key.data(), key.size()));
        EXPECT_EQ(db.GetTableCount(), 0u); // a failed load leaves the reader empty
        std::string otherkey = key + "x";
        EXPECT_FALSE(db.Load(image.data(), image.size(), "test", otherkey.data(), otherkey.size()));
    }
}

TEST(CompactDB, EverySingleByteChangeAndEveryTruncationIsRefused) {
    std::mt19937 random(12);
    Model m = RandomModel(random);
    for (bool compress : {false, true}) {
        const std::vector<uint8_t> image = Save(m, "key", compress);
        CompactDB_Reader db;
        for (size_t at = 0; at < image.size(); ++at)
            for (uint8_t flip : {0x01, 0x80, 0xFF}) {
                std::vector<uint8_t> changed = image;
                changed[at] ^= flip;
                ASSERT_FALSE(db.Load(changed.data(), changed.size(), "test", "key", 3)) << at;
            }
        for (size_t length = 0; length < image.size(); ++length)
            ASSERT_FALSE(db.Load(image.data(), length, "test", "key", 3)) << length;
        ASSERT_TRUE(db.Load(image.data(), image.size(), "test", "key", 3));
        ExpectContent(db, m);
    }
}

TEST(CompactDB, ACompressedStreamCutShortIsRefused) {
    std::mt19937 random(14);
    Model m = RandomModel(random);
    m.data.resize(5000, 7);
    std::vector<uint8_t> image = Save(m, "", true);
    for (size_t length = 24; length < image.size(); ++length) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + length);
        Redigest(cut);
        CompactDB_Reader db;
        ASSERT_FALSE(db.Load(cut.data(), cut.size(), "test")) << length << " of " << image.size();
    }

    // Large inputs need the output to grow many times over.
    std::vector<uint8_t> zeros(3 << 20, 0), packed, back;
    zlibhelper_Compress(zeros.data(), zeros.size(), packed);
    ASSERT_TRUE(zlibhelper_Decompress(packed.data(), packed.size(), back, SIZE_MAX));
    EXPECT_EQ(back, zeros);
    EXPECT_FALSE(zlibhelper_Decompress(packed.data(), packed.size(), back, zeros.size() - 1));
}

TEST(CompactDB, BoundsOfTheImageAndItsRecords) {
    CompactDB_Reader db;
    std::vector<uint8_t> header = {'C', 'D', 'B', 'u', 't', 'e', 's', 't'};
    header.resize(24);
    Redigest(header);
    EXPECT_FALSE(db.Load(header.data(), 23, "test"));
    EXPECT_FALSE(db.Load(header.data(), 24, "test")); // no counts

    // A table record pointing past the fields still loads; only that table is empty.
    Model m;
    m.tables.push_back({"good", {{"value", 4}}, 2, std::vector<uint8_t>(8, 1)});
    m.tables.push_back({"bad", {{"value", 8}}, 1, std::vector<uint8_t>(8, 2)});
    std::vector<uint8_t> image = Save(m, "", false);
    const size_t secondtable = 24 + 16 + 36;
    image[secondtable + 16] = 9; // first field beyond the field count
    Redigest(image);
    ASSERT_TRUE(db.Load(image.data(), image.size(), "test"));
    EXPECT_TRUE(db.FindTable("good").Exists());
    EXPECT_FALSE(db.FindTable("bad").Exists());
    EXPECT_FALSE(db.GetTable(1).Exists());

    // A field is found only with its own size, and a table of zero-sized rows may claim any number of them.
    CompactDB_Table good = db.FindTable("good");
    EXPECT_TRUE(good.FindField("value", 4).Exists());
    EXPECT_FALSE(good.FindField("value", 8).Exists());
    EXPECT_EQ(good.GetRow(1).GetUInt(good.FindField("value")), 0x01010101u);

    CompactDB_Writer writer;
    writer.AddTable("empty rows");
    writer.BeginRows(0xFFFFFFFFu);
    std::vector<uint8_t> zero = writer.Save("test", nullptr, 0, false);
    ASSERT_TRUE(db.Load(zero.data(), zero.size(), "test"));
    EXPECT_EQ(db.FindTable("empty rows").GetRowCount(), 0xFFFFFFFFu);
}

// Declared counts, offsets and sizes chosen so that a bound taken in 32 bits would wrap around and pass.
TEST(CompactDB, HugeDeclaredSizesAreRefused) {
    Model m;
    m.tables.push_back({"t", {{"a", 4}, {"b", 4}}, 3, std::vector<uint8_t>(24, 5)});
    m.data.resize(10, 'x');
    const std::vector<uint8_t> image = Save(m, "", false);
    const size_t counts = 24, table = 40, field = 76; // no attributes: the table, then its two fields
    auto patched = [&](std::vector<std::pair<size_t, uint32_t>> changes) {
        std::vector<uint8_t> changed = image;
        for (auto [at, value] : changes)
            std::memcpy(changed.data() + at, &value, 4);
        Redigest(changed);
        return changed;
    };
    CompactDB_Reader db;
    for (auto [at, value] : std::vector<std::pair<size_t, uint32_t>>{{counts, 0x20000000u},
                                                                     {counts + 4, 0x40000000u},
                                                                     {counts + 4, 0x71C71C72u},
                                                                     {counts + 8, 0x20000000u},
                                                                     {counts + 12, 0xFFFFFFFFu},
                                                                     {counts + 12, 24u + 11u}}) {
        std::vector<uint8_t> changed = patched({{at, value}});
        EXPECT_FALSE(db.Load(changed.data(), changed.size(), "test")) << at << " " << value;
    }
    std::vector<uint8_t> nodata = patched({{counts + 12, 24u + 10u}}); // the rows take the data area too
    ASSERT_TRUE(db.Load(nodata.data(), nodata.size(), "test"));
    EXPECT_EQ(db.GetDataSize(), 0u);

    // Table records: first field, field count, row offset, row count, row size.
    using Record = std::vector<std::pair<size_t, uint32_t>>;
    for (const Record& bad :
         {Record{{table + 28, 0x10000u}, {table + 32, 0x10000u}},
          Record{{table + 28, 2u}, {table + 32, 0x80000000u}}, Record{{table + 24, 0xFFFFFFF8u}},
          Record{{table + 24, 8u}}, Record{{table + 16, 1u}, {table + 20, 0xFFFFFFFFu}},
          Record{{table + 20, 3u}}}) {
        std::vector<uint8_t> changed = patched(bad);
        ASSERT_TRUE(db.Load(changed.data(), changed.size(), "test"));
        EXPECT_FALSE(db.FindTable("t").Exists()) << bad[0].first << " " << bad[0].second;
        EXPECT_FALSE(db.GetTable(0).Exists());
    }
    for (const Record& good :
         {Record{{table + 24, 24u}, {table + 28, 0u}}, Record{{table + 24, 8u}, {table + 28, 2u}},
          Record{{table + 16, 2u}, {table + 20, 0u}}}) {
        std::vector<uint8_t> changed = patched(good);
        ASSERT_TRUE(db.Load(changed.data(), changed.size(), "test"));
        ASSERT_TRUE(db.FindTable("t").Exists()) << good[0].first << " " << good[0].second;
        WalkCompactDB(db);
    }

    // Field records: offset and size within the row of 8 bytes; a field of no bytes may sit at its end.
    const std::tuple<uint32_t, uint32_t, bool> fields[] = {
        {4, 0xFFFFFFFDu, false}, {0xFFFFFFFFu, 0, false}, {8, 0, true}};
    for (auto [offset, size, found] : fields) {
        std::vector<uint8_t> changed = patched({{field + 16, offset}, {field + 20, size}});
        ASSERT_TRUE(db.Load(changed.data(), changed.size(), "test"));
        EXPECT_EQ(db.FindTable("t").FindField("a", size).Exists(), found) << offset << " " << size;
    }
}

TEST(CompactDB, NamesMatchOverSixteenBytes) {
    const char full[16] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p'};
    EXPECT_TRUE(CompactDB_NameMatches(full, "abcdefghijklmnop"));
    EXPECT_FALSE(CompactDB_NameMatches(full, "abcdefghijklmnopq"));
    const char shorter[16] = "symbols";
    EXPECT_FALSE(CompactDB_NameMatches(shorter, "symbol"));
    EXPECT_FALSE(CompactDB_NameMatches(shorter, "symbolsx"));

    // The writer cuts longer names to 16 bytes, and lookups take the first match.
    CompactDB_Writer writer;
    writer.AddTable("abcdefghijklmnopqrst");
    writer.BeginRows(1);
    writer.AddTable("abcdefghijklmnop");
    writer.BeginRows(2);
    std::vector<uint8_t> image = writer.Save("test", nullptr, 0, true);
    CompactDB_Reader db;
    ASSERT_TRUE(db.Load(image.data(), image.size(), "test"));
    EXPECT_EQ(db.FindTable("abcdefghijklmnop").tableindex, 0u);
    EXPECT_FALSE(db.FindTable("abcdefghijklmnopq").Exists());
}

TEST(CompactDBDeathTest, IndicesPastTheEndAndFieldsOfAnotherTable) {
    Model m;
    m.tables.push_back({"one", {{"a", 4}}, 1, std::vector<uint8_t>(4)});
    m.tables.push_back({"two", {{"a", 4}}, 1, std::vector<uint8_t>(4)});
    std::vector<uint8_t> image = Save(m, "", false);
    CompactDB_Reader db;
    ASSERT_TRUE(db.Load(image.data(), image.size(), "test"));
    CompactDB_Table one = db.GetTable(0), two = db.GetTable(1);
    EXPECT_DEATH(db.GetTable(2), "Expression: i<tablecount");
    EXPECT_DEATH(one.GetRow(1), "Expression: i<rowcount");
    EXPECT_DEATH(one.GetRow(0).Get(two.FindField("a")), "Expression: f.tableindex==tableindex");
}
