// The .x file reader: a tokenizer and a template-driven parser for the text
// form ("xof 0302txt 0032"). Data objects keep their member values packed in
// declaration order (WORD 2 bytes, DWORD and FLOAT 4, DOUBLE 8, CHAR/UCHAR/
// BYTE 1, strings as a char pointer), which is what the file parser interface
// hands out from GetData. The standard templates are built in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace xf {

enum class XPrim { Word, DWord, Float, Double, Char, UChar, Byte, String, Template };

struct XDim {
    uint32_t constant = 0;
    std::string ref;  // name of an earlier member holding the count; empty for a constant
};

struct XMember {
    XPrim prim = XPrim::DWord;
    std::string typeName;  // for XPrim::Template
    std::string name;
    bool isArray = false;
    std::vector<XDim> dims;
};

struct XTemplate {
    std::string name;
    GUID guid{};
    std::vector<XMember> members;
    enum Restriction { Closed, Open, Restricted } restriction = Closed;
    std::vector<std::string> allowed;  // for Restricted
};

bool GuidEqual(const GUID& a, const GUID& b);
// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (without the angle brackets).
bool ParseGuid(const std::string& text, GUID& out);

// The known templates. Starts with the standard set.
class XTemplateSet {
public:
    XTemplateSet();
    const XTemplate* Find(const std::string& name) const;
    const XTemplate* FindByGuid(const GUID& guid) const;
    void Add(const XTemplate& t);  // replaces a template of the same name
    // Parses the template declarations of a text .x block; data objects in it
    // are ignored. Binary blocks are accepted when their header is valid (the
    // standard templates they carry are already built in).
    int AddFromFile(const uint8_t* data, size_t size, std::string& error);

private:
    std::map<std::string, XTemplate> byName_;  // key: lower-case name
};

struct XObject;

// A child of a data object: an embedded object or a reference by name/GUID.
struct XChild {
    std::shared_ptr<XObject> object;  // embedded
    bool isReference = false;
    std::string refName;
    GUID refGuid{};
    bool refHasGuid = false;
};

struct XObject {
    std::string templateName;
    GUID type{};  // the template's GUID
    std::string name;
    GUID id{};
    bool hasId = false;
    std::vector<uint8_t> data;  // packed member values
    std::deque<std::string> strings;  // storage behind the string pointers in data
    struct MemberRange {
        std::string name;
        size_t offset, size;
    };
    std::vector<MemberRange> members;  // top-level members
    std::vector<XChild> children;
    XObject() = default;
    XObject(const XObject&) = delete;
    XObject& operator=(const XObject&) = delete;
};

// Result codes of the parser (the file parser interface maps them to its
// HRESULTs).
enum XResult {
    XR_OK = 0,
    XR_BADFILETYPE,         // no "xof " header
    XR_BADFILEVERSION,
    XR_BADFLOATSIZE,
    XR_BINARYUNSUPPORTED,   // binary or compressed form
    XR_PARSEERROR,
    XR_BADARRAYSIZE,
    XR_NOTEMPLATE,
    XR_TOODEEP,
};

struct XFile {
    std::vector<std::shared_ptr<XObject>> objects;  // top-level data objects in file order
    // Finds a named object anywhere in the file (depth first, file order).
    XObject* FindByName(const std::string& name) const;
    XObject* FindById(const GUID& id) const;
    // Follows a reference child; null when it names nothing.
    XObject* Resolve(const XChild& child) const;
};

// Parses a whole .x file held in memory. Templates declared in the file are
// added to `templates`. On failure `error` tells why and where.
int ParseXFile(const uint8_t* data, size_t size, XTemplateSet& templates, XFile& out, std::string& error);

// Reads packed member values with bounds checks; after a read past the end
// ok() is false and every read answers zero.
class XDataReader {
public:
    XDataReader(const uint8_t* data, size_t size) : p_(data), size_(size) {}
    explicit XDataReader(const XObject& obj) : p_(obj.data.data()), size_(obj.data.size()) {}
    uint32_t DWord();
    uint16_t Word();
    float Float();
    const char* String();
    bool ok() const { return ok_; }
    size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
    size_t position() const { return pos_; }

private:
    bool Need(size_t n);
    const uint8_t* p_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// The template declarations of the standard set in the text form.
const char* StandardTemplatesText();
size_t StandardTemplatesTextSize();

}  // namespace xf
