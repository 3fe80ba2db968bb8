// Tokenizer and template-driven parser of text .x files.
#include "platform/xfile.h"

#include "platform/dxfile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

const unsigned char D3DRM_XTEMPLATES[] = R"XT(xof 0302txt 0032
template Header { <3D82AB43-62DA-11cf-AB39-0020AF71E433> WORD major; WORD minor; DWORD flags; }
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11cf-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11cf-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11cf-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { <D3E16E81-7835-11cf-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; }
template IndexedColor { <1630B820-7842-11cf-8F52-0040333594A3> DWORD index; ColorRGBA indexColor; }
template Boolean { <4885AE61-78E8-11cf-8F52-0040333594A3> DWORD truefalse; }
template Boolean2d { <4885AE63-78E8-11cf-8F52-0040333594A3> Boolean u; Boolean v; }
template MaterialWrap { <4885AE60-78E8-11cf-8F52-0040333594A3> Boolean u; Boolean v; }
template TextureFilename { <A42790E1-7810-11cf-8F52-0040333594A3> STRING filename; }
template Material { <3D82AB4D-62DA-11cf-AB39-0020AF71E433> ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor; [...] }
template MeshFace { <3D82AB5F-62DA-11cf-AB39-0020AF71E433> DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices]; }
template MeshFaceWraps { <4885AE62-78E8-11cf-8F52-0040333594A3> DWORD nFaceWrapValues; array Boolean2d faceWrapValues[nFaceWrapValues]; }
template MeshTextureCoords { <F6F23F40-7686-11cf-8F52-0040333594A3> DWORD nTextureCoords; array Coords2d textureCoords[nTextureCoords]; }
template MeshMaterialList { <F6F23F42-7686-11cf-8F52-0040333594A3> DWORD nMaterials; DWORD nFaceIndexes; array DWORD faceIndexes[nFaceIndexes]; [Material <3D82AB4D-62DA-11cf-AB39-0020AF71E433>] }
template MeshNormals { <F6F23F43-7686-11cf-8F52-0040333594A3> DWORD nNormals; array Vector normals[nNormals]; DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; }
template MeshVertexColors { <1630B821-7842-11cf-8F52-0040333594A3> DWORD nVertexColors; array IndexedColor vertexColors[nVertexColors]; }
template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices]; DWORD nFaces; array MeshFace faces[nFaces]; [...] }
template FrameTransformMatrix { <F6F23F41-7686-11cf-8F52-0040333594A3> Matrix4x4 frameMatrix; }
template Frame { <3D82AB46-62DA-11cf-AB39-0020AF71E433> [...] }
template FloatKeys { <10DD46A9-775B-11cf-8F52-0040333594A3> DWORD nValues; array FLOAT values[nValues]; }
template TimedFloatKeys { <F406B180-7B3B-11cf-8F52-0040333594A3> DWORD time; FloatKeys tfkeys; }
template AnimationKey { <10DD46A8-775B-11cf-8F52-0040333594A3> DWORD keyType; DWORD nKeys; array TimedFloatKeys keys[nKeys]; }
template AnimationOptions { <E2BF56C0-840F-11cf-8F52-0040333594A3> DWORD openclosed; DWORD positionquality; }
template Animation { <3D82AB4F-62DA-11cf-AB39-0020AF71E433> [...] }
template AnimationSet { <3D82AB50-62DA-11cf-AB39-0020AF71E433> [Animation <3D82AB4F-62DA-11cf-AB39-0020AF71E433>] }
template XSkinMeshHeader { <3CF169CE-FF7C-44ab-93C0-F78F62D172E2> WORD nMaxSkinWeightsPerVertex; WORD nMaxSkinWeightsPerFace; WORD nBones; }
template VertexDuplicationIndices { <B8D65549-D7C9-4995-89CF-53A9A8B031E3> DWORD nIndices; DWORD nOriginalVertices; array DWORD indices[nIndices]; }
template SkinWeights { <6F0D123B-BAD2-4167-A0D0-80224F25FABB> STRING transformNodeName; DWORD nWeights; array DWORD vertexIndices[nWeights]; array FLOAT weights[nWeights]; Matrix4x4 matrixOffset; }
template FVFData { <B6E70A0E-8EF9-4e83-94AD-ECC8B0C04897> DWORD dwFVF; DWORD nDWords; array DWORD data[nDWords]; }
)XT";
const DWORD D3DRM_XTEMPLATE_BYTES = DWORD(sizeof(D3DRM_XTEMPLATES) - 1);

namespace xf {

const char* StandardTemplatesText() { return reinterpret_cast<const char*>(D3DRM_XTEMPLATES); }
size_t StandardTemplatesTextSize() { return sizeof(D3DRM_XTEMPLATES) - 1; }


bool GuidEqual(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 && std::memcmp(a.Data4, b.Data4, 8) == 0;
}

bool ParseGuid(const std::string& text, GUID& out) {
    std::string hex;
    for (char c : text) {
        if (c == '-' || c == ' ' || c == '\t') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        hex += c;
    }
    if (hex.size() != 32) return false;
    auto val = [&](size_t pos, size_t len) {
        uint32_t v = 0;
        for (size_t i = 0; i < len; ++i) {
            char c = hex[pos + i];
            v = v * 16 + uint32_t(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
        }
        return v;
    };
    out.Data1 = val(0, 8);
    out.Data2 = WORD(val(8, 4));
    out.Data3 = WORD(val(12, 4));
    for (int i = 0; i < 8; ++i) out.Data4[i] = BYTE(val(16 + 2 * i, 2));
    return true;
}

// ---------------------------------------------------------------------------
// Tokens

namespace {

enum class Tok { Name, Number, String, Guid, LBrace, RBrace, LBracket, RBracket, Semicolon, Comma, Ellipsis, End };

struct Token {
    Tok kind;
    size_t offset;  // into the buffer
    size_t length;
    int line;
};

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '-' || c == '.' || c >= 0x80; }

bool Tokenize(const char* text, size_t size, size_t start, std::vector<Token>& out, std::string& error) {
    size_t i = start;
    int line = 1;
    auto push = [&](Tok k, size_t off, size_t len) { out.push_back(Token{k, off, len, line}); };
    while (i < size) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (std::isspace(c) || c == 0) {
            ++i;
            continue;
        }
        if (c == '#' || (c == '/' && i + 1 < size && text[i + 1] == '/')) {
            while (i < size && text[i] != '\n') ++i;
            continue;
        }
        switch (c) {
            case '{': push(Tok::LBrace, i, 1); ++i; continue;
            case '}': push(Tok::RBrace, i, 1); ++i; continue;
            case '[': push(Tok::LBracket, i, 1); ++i; continue;
            case ']': push(Tok::RBracket, i, 1); ++i; continue;
            case ';': push(Tok::Semicolon, i, 1); ++i; continue;
            case ',': push(Tok::Comma, i, 1); ++i; continue;
            default: break;
        }
        if (c == '.' && i + 2 < size && text[i + 1] == '.' && text[i + 2] == '.') {
            push(Tok::Ellipsis, i, 3);
            i += 3;
            continue;
        }
        if (c == '"') {
            size_t j = i + 1;
            while (j < size && text[j] != '"' && text[j] != '\n') ++j;
            if (j >= size || text[j] != '"') {
                error = "unterminated string at line " + std::to_string(line);
                return false;
            }
            push(Tok::String, i + 1, j - i - 1);
            i = j + 1;
            continue;
        }
        if (c == '<') {
            size_t j = i + 1;
            while (j < size && text[j] != '>' && j - i < 64) ++j;
            if (j >= size || text[j] != '>') {
                error = "bad GUID at line " + std::to_string(line);
                return false;
            }
            push(Tok::Guid, i + 1, j - i - 1);
            i = j + 1;
            continue;
        }
        bool numStart = std::isdigit(c) ||
                        ((c == '-' || c == '+' || c == '.') && i + 1 < size &&
                         (std::isdigit(static_cast<unsigned char>(text[i + 1])) ||
                          (text[i + 1] == '.' && c != '.' && i + 2 < size &&
                           std::isdigit(static_cast<unsigned char>(text[i + 2])))));
        if (numStart) {
            size_t j = i + 1;
            while (j < size) {
                unsigned char d = static_cast<unsigned char>(text[j]);
                if (std::isdigit(d) || d == '.') {
                    ++j;
                } else if ((d == 'e' || d == 'E') && j + 1 < size) {
                    ++j;
                    if (text[j] == '-' || text[j] == '+') ++j;
                } else if (IsNameChar(d) && d != '-' && d != '.') {
                    // A name that begins with digits (legal for object names).
                    while (j < size && IsNameChar(static_cast<unsigned char>(text[j]))) ++j;
                    push(Tok::Name, i, j - i);
                    goto next;
                } else {
                    break;
                }
            }
            push(Tok::Number, i, j - i);
            i = j;
            continue;
        next:
            i = j;
            continue;
        }
        if (IsNameStart(c)) {
            size_t j = i + 1;
            while (j < size && IsNameChar(static_cast<unsigned char>(text[j]))) ++j;
            push(Tok::Name, i, j - i);
            i = j;
            continue;
        }
        error = "unexpected character at line " + std::to_string(line);
        return false;
    }
    out.push_back(Token{Tok::End, size, 0, line});
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool PrimFromName(const std::string& n, XPrim& p) {
    static const struct {
        const char* name;
        XPrim prim;
    } table[] = {{"WORD", XPrim::Word},     {"DWORD", XPrim::DWord},   {"FLOAT", XPrim::Float},
                 {"DOUBLE", XPrim::Double}, {"CHAR", XPrim::Char},     {"UCHAR", XPrim::UChar},
                 {"BYTE", XPrim::Byte},     {"STRING", XPrim::String}, {"CSTRING", XPrim::String},
                 {"UNICODE", XPrim::String}, {"SWORD", XPrim::Word},  {"SDWORD", XPrim::DWord},
                 {"LPSTR", XPrim::String}};
    std::string u = n;
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& e : table)
        if (u == e.name) {
            p = e.prim;
            return true;
        }
    return false;
}

size_t PrimSize(XPrim p) {
    switch (p) {
        case XPrim::Word: return 2;
        case XPrim::DWord: return 4;
        case XPrim::Float: return 4;
        case XPrim::Double: return 8;
        case XPrim::Char:
        case XPrim::UChar:
        case XPrim::Byte: return 1;
        case XPrim::String: return sizeof(const char*);
        default: return 0;
    }
}

// An integer member written as a real number ("3.0", "1e30") takes its
// integer part; values beyond the 64-bit range saturate.
int64_t RealToInteger(double v) {
    if (v != v) return 0;
    if (v >= 9223372036854775808.0) return INT64_MAX;
    if (v < -9223372036854775808.0) return INT64_MIN;
    return int64_t(v);
}

constexpr int kMaxObjectDepth = 64;
constexpr int kMaxTemplateDepth = 16;

class Parser {
public:
    Parser(const char* text, std::vector<Token>& toks, XTemplateSet& templates)
        : text_(text), toks_(toks), templates_(templates) {}

    int ParseAll(XFile* out, std::string& error);

private:
    const Token& Peek() const { return toks_[pos_]; }
    const Token& Next() {
        const Token& t = toks_[pos_];
        if (t.kind != Tok::End) ++pos_;
        return t;
    }
    std::string Text(const Token& t) const { return std::string(text_ + t.offset, t.length); }
    void SkipSeparators() {
        while (Peek().kind == Tok::Semicolon || Peek().kind == Tok::Comma) ++pos_;
    }
    int Fail(int code, const std::string& what) {
        if (error_.empty()) error_ = what + " at line " + std::to_string(Peek().line);
        return code;
    }

    int ParseTemplate();
    int ParseObject(std::shared_ptr<XObject>& out, int depth);
    int SkipBlock();  // skips a balanced { ... } starting at '{'
    int ReadMembers(const XTemplate& t, XObject& obj, bool topLevel, int depth);
    int ReadValue(const XMember& m, XObject& obj, int depth);
    int ReadPrim(XPrim p, XObject& obj, uint64_t* intOut);
    size_t MinTokens(const XTemplate& t, int depth) const;

    const char* text_;
    std::vector<Token>& toks_;
    XTemplateSet& templates_;
    size_t pos_ = 0;
    std::string error_;
};

int Parser::ParseAll(XFile* out, std::string& error) {
    int rc = XR_OK;
    while (Peek().kind != Tok::End) {
        const Token& t = Peek();
        if (t.kind == Tok::Name && Text(t) == "template") {
            rc = ParseTemplate();
        } else if (t.kind == Tok::Name) {
            std::shared_ptr<XObject> obj;
            rc = ParseObject(obj, 0);
            if (rc == XR_OK && obj && out) out->objects.push_back(std::move(obj));
        } else if (t.kind == Tok::Semicolon || t.kind == Tok::Comma) {
            Next();
        } else {
            rc = Fail(XR_PARSEERROR, "unexpected token at top level");
        }
        if (rc != XR_OK) break;
    }
    error = error_;
    return rc;
}

int Parser::ParseTemplate() {
    Next();  // "template"
    if (Peek().kind != Tok::Name) return Fail(XR_PARSEERROR, "template name expected");
    XTemplate t;
    t.name = Text(Next());
    if (Next().kind != Tok::LBrace) return Fail(XR_PARSEERROR, "'{' expected after template name");
    if (Peek().kind == Tok::Guid) {
        ParseGuid(Text(Next()), t.guid);
    }
    for (;;) {
        const Token& tk = Peek();
        if (tk.kind == Tok::RBrace) {
            Next();
            break;
        }
        if (tk.kind == Tok::End) return Fail(XR_PARSEERROR, "template not closed");
        if (tk.kind == Tok::LBracket) {
            Next();
            if (Peek().kind == Tok::Ellipsis) {
                Next();
                t.restriction = XTemplate::Open;
            } else {
                t.restriction = XTemplate::Restricted;
                while (Peek().kind != Tok::RBracket) {
                    const Token& r = Next();
                    if (r.kind == Tok::Name) t.allowed.push_back(Text(r));
                    else if (r.kind != Tok::Guid && r.kind != Tok::Comma)
                        return Fail(XR_PARSEERROR, "bad template restriction");
                }
            }
            if (Next().kind != Tok::RBracket) return Fail(XR_PARSEERROR, "']' expected");
            continue;
        }
        if (tk.kind != Tok::Name) return Fail(XR_PARSEERROR, "template member expected");
        XMember m;
        std::string word = Text(Next());
        if (word == "array") {
            m.isArray = true;
            if (Peek().kind != Tok::Name) return Fail(XR_PARSEERROR, "array type expected");
            word = Text(Next());
        }
        if (!PrimFromName(word, m.prim)) {
            m.prim = XPrim::Template;
            m.typeName = word;
        }
        if (Peek().kind == Tok::Name) m.name = Text(Next());
        while (m.isArray && Peek().kind == Tok::LBracket) {
            Next();
            XDim d;
            const Token& dt = Next();
            if (dt.kind == Tok::Number) {
                uint64_t v = 0;
                auto r = std::from_chars(text_ + dt.offset, text_ + dt.offset + dt.length, v);
                if (r.ec != std::errc() || v > 0xFFFFFFFFu) return Fail(XR_PARSEERROR, "bad array size");
                d.constant = uint32_t(v);
            } else if (dt.kind == Tok::Name) {
                d.ref = Text(dt);
            } else {
                return Fail(XR_PARSEERROR, "bad array size");
            }
            if (Next().kind != Tok::RBracket) return Fail(XR_PARSEERROR, "']' expected");
            m.dims.push_back(d);
        }
        if (m.isArray && m.dims.empty()) return Fail(XR_PARSEERROR, "array without size");
        if (Peek().kind == Tok::Semicolon) Next();
        t.members.push_back(std::move(m));
    }
    templates_.Add(t);
    return XR_OK;
}

int Parser::SkipBlock() {
    int level = 0;
    for (;;) {
        const Token& t = Next();
        if (t.kind == Tok::End) return Fail(XR_PARSEERROR, "unexpected end of file");
        if (t.kind == Tok::LBrace) ++level;
        if (t.kind == Tok::RBrace && --level == 0) return XR_OK;
    }
}

size_t Parser::MinTokens(const XTemplate& t, int depth) const {
    if (depth > kMaxTemplateDepth) return 0;
    size_t n = 0;
    for (const XMember& m : t.members) {
        size_t each = 1;
        if (m.prim == XPrim::Template) {
            const XTemplate* sub = templates_.Find(m.typeName);
            each = sub ? MinTokens(*sub, depth + 1) : 0;
        }
        if (m.isArray) {
            for (const XDim& d : m.dims) each = d.ref.empty() ? each * d.constant : 0;
            if (each > (1u << 30)) each = 1u << 30;
        }
        n += each;
    }
    return n;
}

int Parser::ReadPrim(XPrim p, XObject& obj, uint64_t* intOut) {
    SkipSeparators();
    const Token& t = Peek();
    if (p == XPrim::String) {
        if (t.kind != Tok::String && t.kind != Tok::Name) return Fail(XR_PARSEERROR, "string expected");
        Next();
        obj.strings.push_back(Text(t));
        const char* ptr = obj.strings.back().c_str();
        size_t at = obj.data.size();
        obj.data.resize(at + sizeof ptr);
        std::memcpy(obj.data.data() + at, &ptr, sizeof ptr);
        return XR_OK;
    }
    if (t.kind != Tok::Number) return Fail(XR_PARSEERROR, "number expected");
    Next();
    const char* b = text_ + t.offset;
    const char* e = b + t.length;
    if (*b == '+') ++b;
    size_t at = obj.data.size();
    if (p == XPrim::Float || p == XPrim::Double) {
        double v = 0;
        auto r = std::from_chars(b, e, v);
        if (r.ec != std::errc()) return Fail(XR_PARSEERROR, "bad number");
        if (p == XPrim::Float) {
            float f = float(v);
            obj.data.resize(at + 4);
            std::memcpy(obj.data.data() + at, &f, 4);
        } else {
            obj.data.resize(at + 8);
            std::memcpy(obj.data.data() + at, &v, 8);
        }
        return XR_OK;
    }
    int64_t iv = 0;
    auto r = std::from_chars(b, e, iv);
    if (r.ec != std::errc() || r.ptr != e) {
        double dv = 0;
        auto r2 = std::from_chars(b, e, dv);
        if (r2.ec != std::errc()) return Fail(XR_PARSEERROR, "bad number");
        iv = RealToInteger(dv);
    }
    uint64_t u = uint64_t(iv);
    if (intOut) *intOut = iv < 0 ? 0xFFFFFFFFFFFFFFFFull : u;
    size_t sz = PrimSize(p);
    obj.data.resize(at + sz);
    uint32_t v32 = uint32_t(u);
    std::memcpy(obj.data.data() + at, &v32, sz);  // little-endian: low bytes first
    return XR_OK;
}

int Parser::ReadValue(const XMember& m, XObject& obj, int depth) {
    if (m.prim == XPrim::Template) {
        const XTemplate* sub = templates_.Find(m.typeName);
        if (!sub) return Fail(XR_NOTEMPLATE, "unknown member template " + m.typeName);
        return ReadMembers(*sub, obj, false, depth + 1);
    }
    return ReadPrim(m.prim, obj, nullptr);
}

int Parser::ReadMembers(const XTemplate& t, XObject& obj, bool topLevel, int depth) {
    if (depth > kMaxTemplateDepth) return Fail(XR_TOODEEP, "templates nested too deeply");
    std::vector<std::pair<std::string, uint64_t>> scalars;  // integer members read so far
    for (const XMember& m : t.members) {
        size_t start = obj.data.size();
        if (!m.isArray) {
            uint64_t value = 0;
            int rc;
            if (m.prim == XPrim::Template)
                rc = ReadValue(m, obj, depth);
            else
                rc = ReadPrim(m.prim, obj, &value);
            if (rc != XR_OK) return rc;
            if (m.prim != XPrim::Template && m.prim != XPrim::String) scalars.emplace_back(m.name, value);
        } else {
            uint64_t count = 1;
            for (const XDim& d : m.dims) {
                uint64_t n = d.constant;
                if (!d.ref.empty()) {
                    bool found = false;
                    for (auto it = scalars.rbegin(); it != scalars.rend(); ++it)
                        if (it->first == d.ref) {
                            n = it->second;
                            found = true;
                            break;
                        }
                    if (!found) return Fail(XR_BADARRAYSIZE, "array size member " + d.ref + " not found");
                }
                count *= n;
                if (count > 0xFFFFFFFFull) return Fail(XR_BADARRAYSIZE, "array too large");
            }
            size_t per = 1;
            if (m.prim == XPrim::Template) {
                const XTemplate* sub = templates_.Find(m.typeName);
                if (!sub) return Fail(XR_NOTEMPLATE, "unknown member template " + m.typeName);
                per = MinTokens(*sub, depth + 1);
            }
            const size_t left = toks_.size() - pos_;
            if ((per > 0 && count > left / per) || (per == 0 && count > 65536))
                return Fail(XR_BADARRAYSIZE, "array larger than the data present");
            for (uint64_t i = 0; i < count; ++i) {
                int rc = ReadValue(m, obj, depth);
                if (rc != XR_OK) return rc;
            }
        }
        if (topLevel) obj.members.push_back({m.name, start, obj.data.size() - start});
    }
    return XR_OK;
}

int Parser::ParseObject(std::shared_ptr<XObject>& out, int depth) {
    if (depth > kMaxObjectDepth) return Fail(XR_TOODEEP, "data objects nested too deeply");
    const Token& typeTok = Next();
    std::string typeName = Text(typeTok);
    std::string name;
    if (Peek().kind == Tok::Name || Peek().kind == Tok::Number) name = Text(Next());
    GUID id{};
    bool hasId = false;
    if (Peek().kind == Tok::Guid) {  // GUID before the brace
        hasId = ParseGuid(Text(Next()), id);
    }
    if (Peek().kind != Tok::LBrace) return Fail(XR_PARSEERROR, "'{' expected after " + typeName);
    const XTemplate* t = templates_.Find(typeName);
    if (!t) {
        // Objects of unknown templates are skipped whole.
        out.reset();
        return SkipBlock();
    }
    Next();  // '{'
    auto obj = std::make_shared<XObject>();
    obj->templateName = t->name;
    obj->type = t->guid;
    obj->name = name;
    if (Peek().kind == Tok::Guid) hasId = ParseGuid(Text(Next()), id);
    obj->id = id;
    obj->hasId = hasId;
    int rc = ReadMembers(*t, *obj, true, 0);
    if (rc != XR_OK) return rc;
    for (;;) {
        SkipSeparators();
        const Token& tk = Peek();
        if (tk.kind == Tok::RBrace) {
            Next();
            break;
        }
        if (tk.kind == Tok::End) return Fail(XR_PARSEERROR, "data object " + typeName + " not closed");
        if (tk.kind == Tok::LBrace) {
            Next();
            XChild c;
            c.isReference = true;
            while (Peek().kind != Tok::RBrace) {
                const Token& r = Next();
                if (r.kind == Tok::Name || r.kind == Tok::Number) {
                    c.refName = Text(r);
                } else if (r.kind == Tok::Guid) {
                    c.refHasGuid = ParseGuid(Text(r), c.refGuid);
                } else if (r.kind != Tok::Comma && r.kind != Tok::Semicolon) {
                    return Fail(XR_PARSEERROR, "bad data reference");
                }
            }
            Next();
            obj->children.push_back(std::move(c));
            continue;
        }
        if (tk.kind == Tok::Name) {
            std::shared_ptr<XObject> child;
            rc = ParseObject(child, depth + 1);
            if (rc != XR_OK) return rc;
            if (child) {
                XChild c;
                c.object = std::move(child);
                obj->children.push_back(std::move(c));
            }
            continue;
        }
        return Fail(XR_PARSEERROR, "unexpected data in " + typeName);
    }
    out = std::move(obj);
    return XR_OK;
}

int CheckHeader(const uint8_t* data, size_t size, std::string& error, bool& binary) {
    binary = false;
    if (!data || size < 16 || std::memcmp(data, "xof ", 4) != 0) {
        error = "not a .x file";
        return XR_BADFILETYPE;
    }
    for (int i = 4; i < 8; ++i)
        if (!std::isdigit(data[i])) {
            error = "bad .x file version";
            return XR_BADFILEVERSION;
        }
    if (std::memcmp(data + 8, "txt ", 4) != 0) {
        if (std::memcmp(data + 8, "bin ", 4) == 0 || std::memcmp(data + 8, "tzip", 4) == 0 ||
            std::memcmp(data + 8, "bzip", 4) == 0) {
            binary = true;
            error = std::memcmp(data + 8, "bin ", 4) == 0 ? "binary .x files are not supported"
                                                          : "compressed .x files are not supported";
            return XR_BINARYUNSUPPORTED;
        }
        error = "bad .x file format";
        return XR_BADFILETYPE;
    }
    if (std::memcmp(data + 12, "0032", 4) != 0 && std::memcmp(data + 12, "0064", 4) != 0) {
        error = "bad .x float size";
        return XR_BADFLOATSIZE;
    }
    return XR_OK;
}

}  // namespace

// ---------------------------------------------------------------------------

XTemplateSet::XTemplateSet() {
    std::string err;
    AddFromFile(reinterpret_cast<const uint8_t*>(StandardTemplatesText()), StandardTemplatesTextSize(), err);
}

const XTemplate* XTemplateSet::Find(const std::string& name) const {
    auto it = byName_.find(Lower(name));
    return it == byName_.end() ? nullptr : &it->second;
}

const XTemplate* XTemplateSet::FindByGuid(const GUID& guid) const {
    for (const auto& kv : byName_)
        if (GuidEqual(kv.second.guid, guid)) return &kv.second;
    return nullptr;
}

void XTemplateSet::Add(const XTemplate& t) { byName_[Lower(t.name)] = t; }

int XTemplateSet::AddFromFile(const uint8_t* data, size_t size, std::string& error) {
    bool binary = false;
    int rc = CheckHeader(data, size, error, binary);
    if (binary) {
        error.clear();
        return XR_OK;
    }
    if (rc != XR_OK) return rc;
    std::vector<Token> toks;
    if (!Tokenize(reinterpret_cast<const char*>(data), size, 16, toks, error)) return XR_PARSEERROR;
    Parser p(reinterpret_cast<const char*>(data), toks, *this);
    return p.ParseAll(nullptr, error);
}

int ParseXFile(const uint8_t* data, size_t size, XTemplateSet& templates, XFile& out, std::string& error) {
    out.objects.clear();
    bool binary = false;
    int rc = CheckHeader(data, size, error, binary);
    if (rc != XR_OK) return rc;
    std::vector<Token> toks;
    if (!Tokenize(reinterpret_cast<const char*>(data), size, 16, toks, error)) return XR_PARSEERROR;
    Parser p(reinterpret_cast<const char*>(data), toks, templates);
    rc = p.ParseAll(&out, error);
    if (rc != XR_OK) out.objects.clear();
    return rc;
}

// ---------------------------------------------------------------------------

namespace {

XObject* FindIn(const std::vector<XChild>& list, const std::string* name, const GUID* id) {
    for (const XChild& c : list) {
        if (!c.object) continue;
        XObject* o = c.object.get();
        if (name && o->name == *name) return o;
        if (id && o->hasId && GuidEqual(o->id, *id)) return o;
        if (XObject* r = FindIn(o->children, name, id)) return r;
    }
    return nullptr;
}

}  // namespace

XObject* XFile::FindByName(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (const auto& o : objects) {
        if (o->name == name) return o.get();
        if (XObject* r = FindIn(o->children, &name, nullptr)) return r;
    }
    return nullptr;
}

XObject* XFile::FindById(const GUID& id) const {
    for (const auto& o : objects) {
        if (o->hasId && GuidEqual(o->id, id)) return o.get();
        if (XObject* r = FindIn(o->children, nullptr, &id)) return r;
    }
    return nullptr;
}

XObject* XFile::Resolve(const XChild& child) const {
    if (child.object) return child.object.get();
    if (!child.refName.empty()) {
        if (XObject* o = FindByName(child.refName)) return o;
    }
    if (child.refHasGuid) return FindById(child.refGuid);
    return nullptr;
}

// ---------------------------------------------------------------------------

bool XDataReader::Need(size_t n) {
    if (!ok_ || n > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint32_t XDataReader::DWord() {
    if (!Need(4)) return 0;
    uint32_t v;
    std::memcpy(&v, p_ + pos_, 4);
    pos_ += 4;
    return v;
}

uint16_t XDataReader::Word() {
    if (!Need(2)) return 0;
    uint16_t v;
    std::memcpy(&v, p_ + pos_, 2);
    pos_ += 2;
    return v;
}

float XDataReader::Float() {
    if (!Need(4)) return 0.0f;
    float v;
    std::memcpy(&v, p_ + pos_, 4);
    pos_ += 4;
    return v;
}

const char* XDataReader::String() {
    if (!Need(sizeof(const char*))) return nullptr;
    const char* v;
    std::memcpy(&v, p_ + pos_, sizeof v);
    pos_ += sizeof v;
    return v;
}

}  // namespace xf
