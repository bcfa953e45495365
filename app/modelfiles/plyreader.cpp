// PLY reader: the header's elements and properties, then one walk over the body, which reads the same way
// in ASCII and in binary of either byte order through a source of scalars. Vertex positions and colours,
// face index lists and colours and edges are kept; every other element and property is walked over.
#include "plyreader.h"

#include "byteorder.h"
#include "textnumbers.h"
#include "textwords.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

namespace {

enum class Type : uint8_t { Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64 };

struct TypeName {
    std::string_view name;
    Type type;
};

const TypeName TYPENAMES[] = {
    {"char", Type::Int8},       {"int8", Type::Int8},       {"uchar", Type::Uint8},
    {"uint8", Type::Uint8},     {"short", Type::Int16},     {"int16", Type::Int16},
    {"ushort", Type::Uint16},   {"uint16", Type::Uint16},   {"int", Type::Int32},
    {"int32", Type::Int32},     {"uint", Type::Uint32},     {"uint32", Type::Uint32},
    {"float", Type::Float32},   {"float32", Type::Float32}, {"double", Type::Float64},
    {"float64", Type::Float64},
};

uint32_t SizeOf(Type type) {
    static const uint32_t SIZES[] = {1, 1, 2, 2, 4, 4, 4, 8};
    return SIZES[int(type)];
}

bool IsInteger(Type type) {
    return type < Type::Float32;
}

enum class Role : uint8_t { Skip, X, Y, Z, Red, Green, Blue, Alpha, Indices, Vertex1, Vertex2 };

struct Property {
    std::string name;
    Type type = Type::Uint8;
    bool list = false;
    Type counttype = Type::Uint8;
    Role role = Role::Skip;
};

enum class Kind { Other, Vertex, Face, Edge };

struct Element {
    std::string name;
    uint64_t count = 0;
    uint64_t line = 0;
    Kind kind = Kind::Other;
    bool colored = false;
    std::vector<Property> properties;
};

enum class Encoding { Ascii, LittleEndian, BigEndian };

struct Header {
    Encoding encoding = Encoding::Ascii;
    std::vector<Element> elements;
    size_t bodystart = 0;
    // the line the body starts on, for the errors of an ASCII body
    uint64_t bodyline = 0;
};

// The body ends before an element is complete; the element loop names which.
struct Truncated {};

// "vertices", "faces", "edges", or "\"name\" elements": the words for a count of an element.
std::string Plural(const Element& element) {
    switch (element.kind) {
    case Kind::Vertex:
        return "vertices";
    case Kind::Face:
        return "faces";
    case Kind::Edge:
        return "edges";
    case Kind::Other:
        break;
    }
    return "\"" + element.name + "\" elements";
}

std::string Singular(const Element& element) {
    return element.kind == Kind::Other ? "\"" + element.name + "\" element" : element.name;
}

// Words separated by spaces or tabs.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

Type ParseType(std::string_view word, uint64_t line) {
    for (const TypeName& t : TYPENAMES)
        if (t.name == word)
            return t.type;
    throw pw2_ModelFileError("unknown property type \"" + pw2_Excerpt(word) + "\"", line);
}

// The first scalar property of the given name that has no role yet takes the role.
Property* FindScalar(Element& element, std::string_view name) {
    for (Property& p : element.properties)
        if (!p.list && p.role == Role::Skip && p.name == name)
            return &p;
    return nullptr;
}

void AssignColorRoles(Element& element) {
    Property* red = FindScalar(element, "red");
    Property* green = FindScalar(element, "green");
    Property* blue = FindScalar(element, "blue");
    if (red == nullptr || green == nullptr || blue == nullptr)
        return;
    red->role = Role::Red;
    green->role = Role::Green;
    blue->role = Role::Blue;
    if (Property* alpha = FindScalar(element, "alpha"))
        alpha->role = Role::Alpha;
    element.colored = true;
}

void AssignRoles(Element& element) {
    if (element.kind == Kind::Vertex) {
        Property* x = FindScalar(element, "x");
        Property* y = FindScalar(element, "y");
        Property* z = FindScalar(element, "z");
        if (x == nullptr || y == nullptr || z == nullptr)
            throw pw2_ModelFileError("the vertex element has no x, y and z properties", element.line);
        x->role = Role::X;
        y->role = Role::Y;
        z->role = Role::Z;
        AssignColorRoles(element);
    } else if (element.kind == Kind::Face) {
        auto indices =
            std::find_if(element.properties.begin(), element.properties.end(), [](const Property& p) {
                return p.list && (p.name == "vertex_indices" || p.name == "vertex_index");
            });
        if (indices == element.properties.end())
            throw pw2_ModelFileError("the face element has no vertex_indices list", element.line);
        indices->role = Role::Indices;
        AssignColorRoles(element);
    } else if (element.kind == Kind::Edge) {
        Property* first = FindScalar(element, "vertex1");
        Property* second = FindScalar(element, "vertex2");
        // an edge element of other properties is someone else's data, not polylines
        if (first == nullptr || second == nullptr)
            element.kind = Kind::Other;
        else {
            first->role = Role::Vertex1;
            second->role = Role::Vertex2;
        }
    }
}

Header ParseHeader(std::string_view data) {
    Header header;
    bool hasformat = false;
    bool declared[4] = {false, false, false, false};
    size_t pos = 0;
    for (uint64_t line = 1;; ++line) {
        size_t newline = data.find('\n', pos);
        if (newline == std::string_view::npos)
            throw pw2_ModelFileError(line == 1 ? "this is not a PLY file (it does not begin with \"ply\")"
                                               : "the header has no end_header line",
                                     line);
        std::string_view text = data.substr(pos, newline - pos);
        pos = newline + 1;
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        std::vector<std::string_view> words = Words(text);
        if (line == 1) {
            if (words.size() != 1 || words[0] != "ply")
                throw pw2_ModelFileError("this is not a PLY file (it does not begin with \"ply\")", line);
            continue;
        }
        if (words.empty() || words[0] == "comment" || words[0] == "obj_info")
            continue;
        if (words[0] == "end_header") {
            if (!hasformat)
                throw pw2_ModelFileError("the header has no format line", line);
            header.bodystart = pos;
            header.bodyline = line + 1;
            break;
        }
        if (words[0] == "format") {
            if (words.size() != 3)
                throw pw2_ModelFileError("the format line is not \"format <encoding> 1.0\"", line);
            if (words[1] == "ascii")
                header.encoding = Encoding::Ascii;
            else if (words[1] == "binary_little_endian")
                header.encoding = Encoding::LittleEndian;
            else if (words[1] == "binary_big_endian")
                header.encoding = Encoding::BigEndian;
            else
                throw pw2_ModelFileError("unknown PLY encoding \"" + pw2_Excerpt(words[1]) + "\"", line);
            if (words[2] != "1.0" && words[2] != "1")
                throw pw2_ModelFileError("PLY version " + pw2_Excerpt(words[2]) + " is not supported", line);
            hasformat = true;
        } else if (words[0] == "element") {
            if (words.size() != 3)
                throw pw2_ModelFileError("the element line is not \"element <name> <count>\"", line);
            Element element;
            element.name = words[1];
            element.line = line;
            auto [end, error] =
                std::from_chars(words[2].data(), words[2].data() + words[2].size(), element.count);
            if (error != std::errc() || end != words[2].data() + words[2].size())
                throw pw2_ModelFileError(
                    "the element count \"" + pw2_Excerpt(words[2]) + "\" is not a whole number", line);
            element.kind = element.name == "vertex" ? Kind::Vertex
                           : element.name == "face" ? Kind::Face
                           : element.name == "edge" ? Kind::Edge
                                                    : Kind::Other;
            if (element.kind != Kind::Other && declared[int(element.kind)])
                throw pw2_ModelFileError("the header declares the " + element.name + " element twice", line);
            declared[int(element.kind)] = true;
            if (element.kind == Kind::Vertex && element.count > UINT32_MAX)
                throw pw2_ModelFileError("the file has more than 4294967295 vertices", line);
            if (element.kind == Kind::Face && element.count > UINT32_MAX)
                throw pw2_ModelFileError("the file has more than 4294967295 faces", line);
            header.elements.push_back(std::move(element));
        } else if (words[0] == "property") {
            if (header.elements.empty())
                throw pw2_ModelFileError("a property comes before any element", line);
            Property property;
            if (words.size() == 3) {
                property.type = ParseType(words[1], line);
                property.name = words[2];
            } else if (words.size() == 5 && words[1] == "list") {
                property.list = true;
                property.counttype = ParseType(words[2], line);
                property.type = ParseType(words[3], line);
                property.name = words[4];
                if (!IsInteger(property.counttype))
                    throw pw2_ModelFileError("the length of the list \"" + property.name +
                                                 "\" is not of a whole-number type",
                                             line);
            } else
                throw pw2_ModelFileError(
                    "the property line is not \"property <type> <name>\" or \"property list "
                    "<count type> <type> <name>\"",
                    line);
            header.elements.back().properties.push_back(std::move(property));
        } else
            throw pw2_ModelFileError("unknown header line \"" + pw2_Excerpt(words[0]) + "\"", line);
    }
    for (Element& element : header.elements)
        AssignRoles(element);
    return header;
}

// The fewest bytes an element can take in the body: its scalars and list lengths, each at least one digit
// and a separator in ASCII.
uint64_t MinimalBytes(const Element& element, Encoding encoding) {
    uint64_t bytes = 0;
    for (const Property& p : element.properties)
        bytes += encoding == Encoding::Ascii ? 2 : SizeOf(p.list ? p.counttype : p.type);
    return bytes;
}

// Refuses a header whose counts the body cannot hold, before anything is reserved from them.
void CheckCounts(const Header& header, size_t bodysize) {
    // the last number of an ASCII body may lack its separator
    uint64_t available = bodysize + (header.encoding == Encoding::Ascii ? 1 : 0);
    uint64_t needed = 0;
    for (const Element& element : header.elements) {
        uint64_t bytes = MinimalBytes(element, header.encoding);
        if (bytes == 0)
            continue;
        if (element.count > (available - needed) / bytes)
            throw pw2_ModelFileError("the header declares " + std::to_string(element.count) + " " +
                                         Plural(element) + ", more than the file's " +
                                         std::to_string(bodysize) + " bytes after the header can hold",
                                     element.line);
        needed += element.count * bytes;
    }
}

int64_t WholeNumber(double value, uint64_t line) {
    if (!(value >= -9.0e18 && value <= 9.0e18) || value != std::floor(value))
        throw pw2_ModelFileError("a list length or index is not a whole number", line);
    return int64_t(value);
}

// Scalars of a binary body in the file's byte order.
template <bool BIGENDIAN> class BinarySource {
public:
    BinarySource(std::string_view data, size_t start)
        : begin(data.data()), p(data.data() + start), end(data.data() + data.size()) {}

    double Number(Type type) {
        switch (type) {
        case Type::Int8:
            return Load<int8_t>();
        case Type::Uint8:
            return Load<uint8_t>();
        case Type::Int16:
            return Load<int16_t>();
        case Type::Uint16:
            return Load<uint16_t>();
        case Type::Int32:
            return Load<int32_t>();
        case Type::Uint32:
            return Load<uint32_t>();
        case Type::Float32:
            return Load<float>();
        case Type::Float64:
            break;
        }
        return Load<double>();
    }
    // every type below 64 bits is exact as a double
    int64_t Integer(Type type) { return WholeNumber(Number(type), 0); }
    // Calls f with each of count whole numbers of the type, the type's case chosen once for the run.
    template <typename F> void ReadIntegers(Type type, uint64_t count, F&& f) {
        switch (type) {
        case Type::Int8:
            return ReadRun<int8_t>(count, f);
        case Type::Uint8:
            return ReadRun<uint8_t>(count, f);
        case Type::Int16:
            return ReadRun<int16_t>(count, f);
        case Type::Uint16:
            return ReadRun<uint16_t>(count, f);
        case Type::Int32:
            return ReadRun<int32_t>(count, f);
        case Type::Uint32:
            return ReadRun<uint32_t>(count, f);
        default:
            for (uint64_t i = 0; i < count; ++i)
                f(Integer(type));
        }
    }
    void Skip(Type type) { SkipBytes(SizeOf(type)); }
    // Whether count values of the type can still follow.
    bool HasRoom(uint64_t count, Type type) const { return count <= uint64_t(end - p) / SizeOf(type); }
    void SkipList(uint64_t count, Type type) { SkipBytes(count * SizeOf(type)); }
    // Skips a whole run of elements of fixed size at once.
    void SkipFixed(uint64_t count, uint64_t bytes) {
        if (count > uint64_t(end - p) / std::max<uint64_t>(bytes, 1))
            throw Truncated();
        SkipBytes(count * bytes);
    }
    size_t Offset() const { return size_t(p - begin); }
    uint64_t Line() const { return 0; }

private:
    template <typename T, typename F> void ReadRun(uint64_t count, F& f) {
        for (uint64_t i = 0; i < count; ++i)
            f(int64_t(Load<T>()));
    }
    template <typename T> T Load() {
        if (size_t(end - p) < sizeof(T))
            throw Truncated();
        T value = pw2_LoadNumber<T, BIGENDIAN>(p);
        p += sizeof(T);
        return value;
    }
    void SkipBytes(uint64_t bytes) {
        if (bytes > uint64_t(end - p))
            throw Truncated();
        p += bytes;
    }

    const char* begin;
    const char* p;
    const char* end;
};

// Scalars of an ASCII body: words separated by any whitespace, numbers parsed as written whatever the
// declared type.
class AsciiSource {
public:
    AsciiSource(std::string_view data, size_t start, uint64_t line) : words(data, start, line) {}

    double Number(Type) {
        std::string_view word = Next();
        double value = 0;
        if (!pw2_ParseWord(word, value))
            throw pw2_ModelFileError("\"" + pw2_Excerpt(word) + "\" is not a number", words.Line());
        return value;
    }
    int64_t Integer(Type) {
        std::string_view word = Next();
        int64_t value = 0;
        if (!pw2_ParseWord(word, value))
            throw pw2_ModelFileError("\"" + pw2_Excerpt(word) + "\" is not a whole number", words.Line());
        return value;
    }
    template <typename F> void ReadIntegers(Type type, uint64_t count, F&& f) {
        for (uint64_t i = 0; i < count; ++i)
            f(Integer(type));
    }
    void Skip(Type) { Next(); }
    // Every word but the last takes a separator after it.
    bool HasRoom(uint64_t count, Type) const { return count <= (uint64_t(words.BytesLeft()) + 1) / 2; }
    void SkipList(uint64_t count, Type) {
        for (uint64_t i = 0; i < count; ++i)
            Next();
    }
    size_t Offset() const { return words.Offset(); }
    uint64_t Line() const { return words.Line(); }

private:
    std::string_view Next() {
        std::string_view word = words.Next();
        if (word.empty())
            throw Truncated();
        return word;
    }

    pw2_TextWords words;
};

uint8_t ColorChannel(double value, Type type) {
    if (!IsInteger(type))
        return pw2_FractionToByte(value);
    return value <= 0 ? 0 : value >= 255 ? 255 : uint8_t(value);
}

// The faults of a body's lists and indices, apart from the loops that find them.
[[noreturn]] [[gnu::cold]] void ThrowListLength(const Property& property, const Element& element,
                                                uint64_t index, int64_t count, uint64_t line) {
    std::string list =
        "the list \"" + property.name + "\" of " + Singular(element) + " " + std::to_string(index);
    if (count < 0)
        throw pw2_ModelFileError(list + " has a negative length", line);
    throw pw2_ModelFileError(
        list + " has " + std::to_string(count) + " entries, more than the rest of the file can hold", line);
}

[[noreturn]] [[gnu::cold]] void ThrowOutOfRange(const char* what, uint64_t index, const char* part,
                                                int64_t value, uint64_t vertexcount, uint64_t line) {
    throw pw2_ModelFileError(std::string(what) + " " + std::to_string(index) + " has " + part + " " +
                                 std::to_string(value) + ", out of range (the file has " +
                                 std::to_string(vertexcount) + " vertices)",
                             line);
}

class BodyReader {
public:
    BodyReader(const Header& header, size_t datasize, pw2_MeshData& mesh, pw2_Progress& progress)
        : header(header), datasize(datasize), mesh(mesh), progress(progress) {
        for (const Element& element : header.elements)
            if (element.kind == Kind::Vertex)
                vertexcount = element.count;
    }

    template <typename Source> void Read(Source& source) {
        progress.Report(0, datasize);
        nextreport = source.Offset() + REPORTSTEP;
        for (const Element& element : header.elements) {
            uint64_t done = 0;
            try {
                ReadElement(source, element, done);
            } catch (const Truncated&) {
                throw pw2_ModelFileError("the file ends after " + std::to_string(done) + " of its " +
                                             std::to_string(element.count) + " " + Plural(element),
                                         source.Line());
            }
        }
        progress.Report(datasize, datasize);
    }

private:
    static constexpr size_t REPORTSTEP = 1 << 20;

    template <typename Source> void ReadElement(Source& source, const Element& element, uint64_t& done) {
        if (element.properties.empty())
            return;
        if constexpr (!std::is_same_v<Source, AsciiSource>) {
            bool fixed = std::none_of(element.properties.begin(), element.properties.end(),
                                      [](const Property& p) { return p.list; });
            if (element.kind == Kind::Other && fixed) {
                source.SkipFixed(element.count, MinimalBytes(element, header.encoding));
                return;
            }
        }
        Reserve(element, source);
        for (; done < element.count; ++done) {
            if (source.Offset() >= nextreport) {
                progress.Report(source.Offset(), datasize);
                nextreport = source.Offset() + REPORTSTEP;
            }
            double values[3] = {0, 0, 0};
            uint32_t ends[2] = {0, 0};
            uint8_t color[4] = {255, 255, 255, 255};
            for (const Property& property : element.properties) {
                switch (property.role) {
                case Role::X:
                case Role::Y:
                case Role::Z:
                    values[int(property.role) - int(Role::X)] = source.Number(property.type);
                    break;
                case Role::Red:
                case Role::Green:
                case Role::Blue:
                case Role::Alpha:
                    color[int(property.role) - int(Role::Red)] =
                        ColorChannel(source.Number(property.type), property.type);
                    break;
                case Role::Indices:
                    ReadIndices(source, property, element, done);
                    break;
                case Role::Vertex1:
                case Role::Vertex2:
                    ends[int(property.role) - int(Role::Vertex1)] =
                        CheckedIndex(source.Integer(property.type), "edge", done, "point", source);
                    break;
                case Role::Skip:
                    if (property.list) {
                        uint64_t count = ListLength(source, property, element, done);
                        source.SkipList(count, property.type);
                    } else
                        source.Skip(property.type);
                    break;
                }
            }
            if (element.kind == Kind::Vertex) {
                if (!pw2_IsFinite(values[0], values[1], values[2]))
                    throw pw2_ModelFileError("vertex " + std::to_string(done) +
                                                 " has a coordinate that is not a finite number",
                                             source.Line());
                mesh.positions.emplace_back(values[0], values[1], values[2]);
            } else if (element.kind == Kind::Face)
                mesh.facestarts.push_back(uint32_t(mesh.corners.size()));
            else if (element.kind == Kind::Edge) {
                mesh.lines.push_back(ends[0]);
                mesh.lines.push_back(ends[1]);
            }
            if (element.colored)
                (element.kind == Kind::Vertex ? mesh.pointcolors : mesh.facecolors)
                    .push_back(qzColor(color[0], color[1], color[2], color[3]));
        }
    }

    // Room for what the element adds, bounded by what the rest of the body can hold.
    template <typename Source> void Reserve(const Element& element, const Source& source) {
        size_t count = size_t(element.count);
        if (element.kind == Kind::Vertex) {
            mesh.positions.reserve(count);
            if (element.colored)
                mesh.pointcolors.reserve(count);
        } else if (element.kind == Kind::Face) {
            mesh.facestarts.reserve(mesh.facestarts.size() + count);
            if (element.colored)
                mesh.facecolors.reserve(count);
            uint64_t room = (datasize - source.Offset()) / 2;
            mesh.corners.reserve(size_t(std::min<uint64_t>(room, element.count * 3)));
        } else if (element.kind == Kind::Edge)
            mesh.lines.reserve(count * 2);
    }

    template <typename Source>
    uint64_t ListLength(Source& source, const Property& property, const Element& element, uint64_t index) {
        int64_t count = source.Integer(property.counttype);
        if (count < 0 || !source.HasRoom(uint64_t(count), property.type))
            ThrowListLength(property, element, index, count, source.Line());
        return uint64_t(count);
    }

    template <typename Source>
    uint32_t CheckedIndex(int64_t value, const char* what, uint64_t index, const char* part,
                          const Source& source) {
        if (value < 0 || uint64_t(value) >= vertexcount)
            ThrowOutOfRange(what, index, part, value, vertexcount, source.Line());
        return uint32_t(value);
    }

    template <typename Source>
    void ReadIndices(Source& source, const Property& property, const Element& element, uint64_t face) {
        uint64_t count = ListLength(source, property, element, face);
        if (mesh.corners.size() + count > UINT32_MAX)
            throw pw2_ModelFileError("the file has more than 4294967295 corners", source.Line());
        source.ReadIntegers(property.type, count, [&](int64_t value) {
            mesh.corners.push_back(CheckedIndex(value, "face", face, "corner", source));
        });
    }

    const Header& header;
    size_t datasize;
    pw2_MeshData& mesh;
    pw2_Progress& progress;
    uint64_t vertexcount = 0;
    size_t nextreport = 0;
};

} // namespace

pw2_MeshData pw2_ReadPly(std::string_view data, pw2_Progress& progress) {
    Header header = ParseHeader(data);
    CheckCounts(header, data.size() - header.bodystart);
    pw2_MeshData mesh;
    BodyReader reader(header, data.size(), mesh, progress);
    if (header.encoding == Encoding::Ascii) {
        AsciiSource source(data, header.bodystart, header.bodyline);
        reader.Read(source);
    } else if (header.encoding == Encoding::LittleEndian) {
        BinarySource<false> source(data, header.bodystart);
        reader.Read(source);
    } else {
        BinarySource<true> source(data, header.bodystart);
        reader.Read(source);
    }
    return mesh;
}
