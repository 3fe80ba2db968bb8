// The DirectX file parser objects over the .x reader.
#include "platform/dxfile.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/startlog.h"
#include "platform/image.h"
#include "platform/xfile_dx.h"

const IID IID_IDirectXFile = {0x56A7E001, 0x1F2B, 0x4C61, {0x9A, 0x31, 0x0E, 0x5D, 0x72, 0x10, 0xA3, 0x01}};
const IID IID_IDirectXFileEnumObject = {0x56A7E002, 0x1F2B, 0x4C61, {0x9A, 0x31, 0x0E, 0x5D, 0x72, 0x10, 0xA3, 0x02}};
const IID IID_IDirectXFileSaveObject = {0x56A7E003, 0x1F2B, 0x4C61, {0x9A, 0x31, 0x0E, 0x5D, 0x72, 0x10, 0xA3, 0x03}};
const IID IID_IDirectXFileObject = {0x56A7E004, 0x1F2B, 0x4C61, {0x9A, 0x31, 0x0E, 0x5D, 0x72, 0x10, 0xA3, 0x04}};
const IID IID_IDirectXFileData = {0x56A7E005, 0x1F2B, 0x4C61, {0x9A, 0x31, 0x0E, 0x5D, 0x72, 0x10, 0xA3, 0x05}};
const IID IID_IDirectXFileDataReference = {0x56A7E006, 0x1F2B, 0x4C61, {0x9A, 0x31, 0x0E, 0x5D, 0x72, 0x10, 0xA3, 0x06}};
const IID IID_IDirectXFileBinary = {0x56A7E007, 0x1F2B, 0x4C61, {0x9A, 0x31, 0x0E, 0x5D, 0x72, 0x10, 0xA3, 0x07}};

#define XGUID(a, b, c, d0, d1, d2, d3, d4, d5, d6, d7) {a, b, c, {d0, d1, d2, d3, d4, d5, d6, d7}}
const GUID TID_DXFILEHeader = XGUID(0x3D82AB43, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID TID_D3DRMVector = XGUID(0x3D82AB5E, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID TID_D3DRMCoords2d = XGUID(0xF6F23F44, 0x7686, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMatrix4x4 = XGUID(0xF6F23F45, 0x7686, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMColorRGBA = XGUID(0x35FF44E0, 0x6C7C, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMColorRGB = XGUID(0xD3E16E81, 0x7835, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMIndexedColor = XGUID(0x1630B820, 0x7842, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMBoolean = XGUID(0x4885AE61, 0x78E8, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMBoolean2d = XGUID(0x4885AE63, 0x78E8, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMaterialWrap = XGUID(0x4885AE60, 0x78E8, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMTextureFilename =
    XGUID(0xA42790E1, 0x7810, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMaterial = XGUID(0x3D82AB4D, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID TID_D3DRMMeshFace = XGUID(0x3D82AB5F, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID TID_D3DRMMeshFaceWraps = XGUID(0x4885AE62, 0x78E8, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMeshTextureCoords =
    XGUID(0xF6F23F40, 0x7686, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMeshMaterialList =
    XGUID(0xF6F23F42, 0x7686, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMeshNormals = XGUID(0xF6F23F43, 0x7686, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMeshVertexColors =
    XGUID(0x1630B821, 0x7842, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMMesh = XGUID(0x3D82AB44, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID TID_D3DRMFrameTransformMatrix =
    XGUID(0xF6F23F41, 0x7686, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMFrame = XGUID(0x3D82AB46, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID TID_D3DRMFloatKeys = XGUID(0x10DD46A9, 0x775B, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMTimedFloatKeys = XGUID(0xF406B180, 0x7B3B, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMAnimationKey = XGUID(0x10DD46A8, 0x775B, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMAnimationOptions =
    XGUID(0xE2BF56C0, 0x840F, 0x11CF, 0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3);
const GUID TID_D3DRMAnimation = XGUID(0x3D82AB4F, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID TID_D3DRMAnimationSet = XGUID(0x3D82AB50, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);
const GUID DXFILEOBJ_XSkinMeshHeader =
    XGUID(0x3CF169CE, 0xFF7C, 0x44AB, 0x93, 0xC0, 0xF7, 0x8F, 0x62, 0xD1, 0x72, 0xE2);
const GUID DXFILEOBJ_VertexDuplicationIndices =
    XGUID(0xB8D65549, 0xD7C9, 0x4995, 0x89, 0xCF, 0x53, 0xA9, 0xA8, 0xB0, 0x31, 0xE3);
const GUID DXFILEOBJ_SkinWeights = XGUID(0x6F0D123B, 0xBAD2, 0x4167, 0xA0, 0xD0, 0x80, 0x22, 0x4F, 0x25, 0xFA, 0xBB);
const GUID DXFILEOBJ_FVFData = XGUID(0xB6E70A0E, 0x8EF9, 0x4E83, 0x94, 0xAD, 0xEC, 0xC8, 0xB0, 0xC0, 0x48, 0x97);
#undef XGUID

namespace {

class DataObject;

class DataReference final : public RefCounted<IDirectXFileDataReference> {
public:
    DataReference(std::shared_ptr<xf::XFile> file, const xf::XChild* child) : file_(std::move(file)), child_(child) {}
    HRESULT QueryInterface(REFIID riid, void** out) override;
    HRESULT GetName(LPSTR buf, LPDWORD len) override;
    HRESULT GetId(LPGUID guid) override {
        if (!guid) return DXFILEERR_BADVALUE;
        *guid = child_->refGuid;
        return DXFILE_OK;
    }
    HRESULT Resolve(LPDIRECTXFILEDATA* out) override;

private:
    std::shared_ptr<xf::XFile> file_;
    const xf::XChild* child_;
};

class DataObject final : public RefCounted<IDirectXFileData> {
public:
    DataObject(std::shared_ptr<xf::XFile> file, xf::XObject* obj) : file_(std::move(file)), obj_(obj) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IDirectXFileData || riid == IID_IDirectXFileObject) {
            AddRef();
            *out = static_cast<IDirectXFileData*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    HRESULT GetName(LPSTR buf, LPDWORD len) override {
        if (!len) return DXFILEERR_BADVALUE;
        DWORD need = obj_->name.empty() ? 0 : DWORD(obj_->name.size() + 1);
        if (!buf) {
            *len = need;
            return DXFILE_OK;
        }
        if (need == 0) {
            if (*len > 0) buf[0] = 0;
            *len = 0;
            return DXFILE_OK;
        }
        if (*len < need) {
            *len = need;
            return DXFILEERR_BADVALUE;
        }
        std::memcpy(buf, obj_->name.c_str(), need);
        *len = need;
        return DXFILE_OK;
    }
    HRESULT GetId(LPGUID guid) override {
        if (!guid) return DXFILEERR_BADVALUE;
        *guid = obj_->hasId ? obj_->id : GUID{};
        return DXFILE_OK;
    }
    HRESULT GetData(LPCSTR member, DWORD* size, void** data) override {
        if (!size || !data) return DXFILEERR_BADVALUE;
        if (!member) {
            *size = DWORD(obj_->data.size());
            *data = obj_->data.empty() ? nullptr : obj_->data.data();
            return DXFILE_OK;
        }
        for (const auto& m : obj_->members) {
            if (m.name == member) {
                *size = DWORD(m.size);
                *data = m.size ? obj_->data.data() + m.offset : nullptr;
                return DXFILE_OK;
            }
        }
        return DXFILEERR_NOTFOUND;
    }
    HRESULT GetType(const GUID** type) override {
        if (!type) return DXFILEERR_BADVALUE;
        *type = &obj_->type;
        return DXFILE_OK;
    }
    HRESULT GetNextObject(LPDIRECTXFILEOBJECT* out) override {
        if (!out) return DXFILEERR_BADVALUE;
        *out = nullptr;
        if (next_ >= obj_->children.size()) return DXFILEERR_NOMOREOBJECTS;
        const xf::XChild& c = obj_->children[next_++];
        if (c.object)
            *out = new DataObject(file_, c.object.get());
        else
            *out = new DataReference(file_, &c);
        return DXFILE_OK;
    }
    HRESULT AddDataObject(LPDIRECTXFILEDATA) override { return E_NOTIMPL; }
    HRESULT AddDataReference(LPCSTR, const GUID*) override { return E_NOTIMPL; }
    HRESULT AddBinaryObject(LPCSTR, const GUID*, LPCSTR, LPVOID, DWORD) override { return E_NOTIMPL; }

    const std::shared_ptr<xf::XFile>& File() const { return file_; }
    xf::XObject* Object() const { return obj_; }

private:
    std::shared_ptr<xf::XFile> file_;
    xf::XObject* obj_;
    size_t next_ = 0;
};

HRESULT DataReference::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IDirectXFileDataReference || riid == IID_IDirectXFileObject) {
        AddRef();
        *out = static_cast<IDirectXFileDataReference*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT DataReference::GetName(LPSTR buf, LPDWORD len) {
    if (!len) return DXFILEERR_BADVALUE;
    const std::string& name = child_->refName;
    DWORD need = name.empty() ? 0 : DWORD(name.size() + 1);
    if (!buf) {
        *len = need;
        return DXFILE_OK;
    }
    if (*len < need) {
        *len = need;
        return DXFILEERR_BADVALUE;
    }
    if (need) std::memcpy(buf, name.c_str(), need);
    else if (*len > 0) buf[0] = 0;
    *len = need;
    return DXFILE_OK;
}

HRESULT DataReference::Resolve(LPDIRECTXFILEDATA* out) {
    if (!out) return DXFILEERR_BADVALUE;
    *out = nullptr;
    xf::XObject* target = file_->Resolve(*child_);
    if (!target) return DXFILEERR_BADDATAREFERENCE;
    *out = new DataObject(file_, target);
    return DXFILE_OK;
}

class EnumObject final : public RefCounted<IDirectXFileEnumObject> {
public:
    explicit EnumObject(std::shared_ptr<xf::XFile> file) : file_(std::move(file)) {}
    HRESULT GetNextDataObject(LPDIRECTXFILEDATA* out) override {
        if (!out) return DXFILEERR_BADVALUE;
        *out = nullptr;
        if (next_ >= file_->objects.size()) return DXFILEERR_NOMOREOBJECTS;
        *out = new DataObject(file_, file_->objects[next_++].get());
        return DXFILE_OK;
    }
    HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* out) override {
        if (!out) return DXFILEERR_BADVALUE;
        *out = nullptr;
        xf::XObject* o = file_->FindById(id);
        if (!o) return DXFILEERR_NOTFOUND;
        *out = new DataObject(file_, o);
        return DXFILE_OK;
    }
    HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* out) override {
        if (!out || !name) return DXFILEERR_BADVALUE;
        *out = nullptr;
        xf::XObject* o = file_->FindByName(name);
        if (!o) return DXFILEERR_NOTFOUND;
        *out = new DataObject(file_, o);
        return DXFILE_OK;
    }

private:
    std::shared_ptr<xf::XFile> file_;
    size_t next_ = 0;
};

class FileObject final : public RefCounted<IDirectXFile> {
public:
    HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* out) override {
        if (!out || !source) return DXFILEERR_BADVALUE;
        *out = nullptr;
        std::shared_ptr<xf::XFile> file;
        std::string error;
        HRESULT hr;
        const DWORD kind = options & 0x0F;
        if (kind == DXFILELOAD_FROMFILE) {
            hr = plat::LoadXFile(static_cast<const char*>(source), file, error, &templates_);
        } else if (kind == DXFILELOAD_FROMMEMORY) {
            const DXFILELOADMEMORY* mem = static_cast<const DXFILELOADMEMORY*>(source);
            if (!mem->lpMemory) return DXFILEERR_BADVALUE;
            file = std::make_shared<xf::XFile>();
            int rc = xf::ParseXFile(static_cast<const uint8_t*>(mem->lpMemory), mem->dSize, templates_, *file, error);
            hr = plat::XResultToHResult(rc);
            if (FAILED(hr)) {
                WriteStartLog((".x data error: " + error).c_str());
                file.reset();
            }
        } else {
            return DXFILEERR_BADVALUE;
        }
        if (FAILED(hr)) return hr;
        *out = new EnumObject(std::move(file));
        return DXFILE_OK;
    }
    HRESULT CreateSaveObject(LPCSTR, DXFILEFORMAT, LPDIRECTXFILESAVEOBJECT* out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT RegisterTemplates(LPVOID data, DWORD size) override {
        if (!data) return DXFILEERR_BADVALUE;
        std::string error;
        int rc = templates_.AddFromFile(static_cast<const uint8_t*>(data), size, error);
        if (rc != xf::XR_OK) {
            WriteStartLog((".x template error: " + error).c_str());
            return plat::XResultToHResult(rc);
        }
        return DXFILE_OK;
    }

private:
    xf::XTemplateSet templates_;
};

}  // namespace

HRESULT WINAPI DirectXFileCreate(LPDIRECTXFILE* out) {
    if (!out) return DXFILEERR_BADVALUE;
    *out = new FileObject();
    return DXFILE_OK;
}

namespace plat {

HRESULT XResultToHResult(int result) {
    switch (result) {
        case xf::XR_OK: return DXFILE_OK;
        case xf::XR_BADFILETYPE: return DXFILEERR_BADFILETYPE;
        case xf::XR_BADFILEVERSION: return DXFILEERR_BADFILEVERSION;
        case xf::XR_BADFLOATSIZE: return DXFILEERR_BADFILEFLOATSIZE;
        case xf::XR_BINARYUNSUPPORTED: return DXFILEERR_BADFILECOMPRESSIONTYPE;
        case xf::XR_BADARRAYSIZE: return DXFILEERR_BADARRAYSIZE;
        case xf::XR_NOTEMPLATE: return DXFILEERR_NOTEMPLATE;
        default: return DXFILEERR_PARSEERROR;
    }
}

HRESULT LoadXFile(const char* name, std::shared_ptr<xf::XFile>& file, std::string& error,
                  xf::XTemplateSet* templates) {
    file.reset();
    if (!name || !*name) {
        error = "no file name";
        return DXFILEERR_BADVALUE;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(name, bytes)) {
        error = "file not found";
        WriteStartLog(".x file not found: ", NOLINEEND);
        WriteStartLog(name);
        return DXFILEERR_FILENOTFOUND;
    }
    xf::XTemplateSet local;
    xf::XTemplateSet& set = templates ? *templates : local;
    auto parsed = std::make_shared<xf::XFile>();
    int rc = xf::ParseXFile(bytes.data(), bytes.size(), set, *parsed, error);
    if (rc != xf::XR_OK) {
        WriteStartLog((".x file error: " + error + " in ").c_str(), NOLINEEND);
        WriteStartLog(name);
        return XResultToHResult(rc);
    }
    file = std::move(parsed);
    return DXFILE_OK;
}

bool GetXObject(IDirectXFileData* data, std::shared_ptr<xf::XFile>& file, xf::XObject*& object) {
    DataObject* d = dynamic_cast<DataObject*>(data);
    if (!d) return false;
    file = d->File();
    object = d->Object();
    return true;
}

}  // namespace plat
