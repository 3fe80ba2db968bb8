// The DirectX file parser interface over the .x reader: a file object that
// registers templates and opens files, an enumeration of the top-level data
// objects, data objects with their packed data, children and references.
#pragma once

#include "platform/win32.h"

struct IDirectXFile;
struct IDirectXFileEnumObject;
struct IDirectXFileSaveObject;
struct IDirectXFileObject;
struct IDirectXFileData;
struct IDirectXFileDataReference;
struct IDirectXFileBinary;

typedef IDirectXFile* LPDIRECTXFILE;
typedef IDirectXFileEnumObject* LPDIRECTXFILEENUMOBJECT;
typedef IDirectXFileSaveObject* LPDIRECTXFILESAVEOBJECT;
typedef IDirectXFileObject* LPDIRECTXFILEOBJECT;
typedef IDirectXFileData* LPDIRECTXFILEDATA;
typedef IDirectXFileDataReference* LPDIRECTXFILEDATAREFERENCE;
typedef IDirectXFileBinary* LPDIRECTXFILEBINARY;
typedef GUID* LPGUID;
typedef const GUID* LPCGUID;

typedef DWORD DXFILEFORMAT;
#define DXFILEFORMAT_BINARY 0
#define DXFILEFORMAT_TEXT 1
#define DXFILEFORMAT_COMPRESSED 2

typedef DWORD DXFILELOADOPTIONS;
#define DXFILELOAD_FROMFILE 0x00L
#define DXFILELOAD_FROMRESOURCE 0x01L
#define DXFILELOAD_FROMMEMORY 0x02L
#define DXFILELOAD_FROMSTREAM 0x04L
#define DXFILELOAD_FROMURL 0x08L

struct DXFILELOADMEMORY {
    LPVOID lpMemory;
    DWORD dSize;
};
typedef DXFILELOADMEMORY* LPDXFILELOADMEMORY;

#define DXFILE_OK 0
#define MAKE_DXFILEHRESULT(code) ((HRESULT)(0x88760000u | (DWORD)(code)))
#define DXFILEERR_BADOBJECT MAKE_DXFILEHRESULT(850)
#define DXFILEERR_BADVALUE MAKE_DXFILEHRESULT(851)
#define DXFILEERR_BADTYPE MAKE_DXFILEHRESULT(852)
#define DXFILEERR_BADSTREAMHANDLE MAKE_DXFILEHRESULT(853)
#define DXFILEERR_BADALLOC MAKE_DXFILEHRESULT(854)
#define DXFILEERR_NOTFOUND MAKE_DXFILEHRESULT(855)
#define DXFILEERR_NOTDONEYET MAKE_DXFILEHRESULT(856)
#define DXFILEERR_FILENOTFOUND MAKE_DXFILEHRESULT(857)
#define DXFILEERR_RESOURCENOTFOUND MAKE_DXFILEHRESULT(858)
#define DXFILEERR_URLNOTFOUND MAKE_DXFILEHRESULT(859)
#define DXFILEERR_BADRESOURCE MAKE_DXFILEHRESULT(860)
#define DXFILEERR_BADFILETYPE MAKE_DXFILEHRESULT(861)
#define DXFILEERR_BADFILEVERSION MAKE_DXFILEHRESULT(862)
#define DXFILEERR_BADFILEFLOATSIZE MAKE_DXFILEHRESULT(863)
#define DXFILEERR_BADFILECOMPRESSIONTYPE MAKE_DXFILEHRESULT(864)
#define DXFILEERR_BADFILE MAKE_DXFILEHRESULT(865)
#define DXFILEERR_PARSEERROR MAKE_DXFILEHRESULT(866)
#define DXFILEERR_NOTEMPLATE MAKE_DXFILEHRESULT(867)
#define DXFILEERR_BADARRAYSIZE MAKE_DXFILEHRESULT(868)
#define DXFILEERR_BADDATAREFERENCE MAKE_DXFILEHRESULT(869)
#define DXFILEERR_INTERNALERROR MAKE_DXFILEHRESULT(870)
#define DXFILEERR_NOMOREOBJECTS MAKE_DXFILEHRESULT(871)
#define DXFILEERR_BADINTRINSICS MAKE_DXFILEHRESULT(872)
#define DXFILEERR_NOMORESTREAMHANDLES MAKE_DXFILEHRESULT(873)
#define DXFILEERR_NOMOREDATA MAKE_DXFILEHRESULT(874)
#define DXFILEERR_BADCACHEFILE MAKE_DXFILEHRESULT(875)
#define DXFILEERR_NOINTERNET MAKE_DXFILEHRESULT(876)

struct IDirectXFile : IUnknown {
    virtual HRESULT CreateEnumObject(LPVOID pvSource, DXFILELOADOPTIONS dwLoadOptions,
                                     LPDIRECTXFILEENUMOBJECT* ppEnumObj) = 0;
    virtual HRESULT CreateSaveObject(LPCSTR szFileName, DXFILEFORMAT dwFileFormat,
                                     LPDIRECTXFILESAVEOBJECT* ppSaveObj) = 0;
    virtual HRESULT RegisterTemplates(LPVOID pvData, DWORD cbSize) = 0;
};

struct IDirectXFileEnumObject : IUnknown {
    virtual HRESULT GetNextDataObject(LPDIRECTXFILEDATA* ppDataObj) = 0;
    virtual HRESULT GetDataObjectById(REFGUID rguid, LPDIRECTXFILEDATA* ppDataObj) = 0;
    virtual HRESULT GetDataObjectByName(LPCSTR szName, LPDIRECTXFILEDATA* ppDataObj) = 0;
};

struct IDirectXFileSaveObject : IUnknown {};

// Base of data objects, references and binary objects. QueryInterface tells
// them apart (IID_IDirectXFileData, IID_IDirectXFileDataReference,
// IID_IDirectXFileBinary) and adds a reference on success.
struct IDirectXFileObject : IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObj) = 0;
    // With a null buffer the needed size (including the terminator; 0 for an
    // unnamed object) is stored in *pdwBufLen.
    virtual HRESULT GetName(LPSTR pstrNameBuf, LPDWORD pdwBufLen) = 0;
    virtual HRESULT GetId(LPGUID pGuid) = 0;
};

struct IDirectXFileData : IDirectXFileObject {
    // The packed member values, all of them (null member name) or one
    // top-level member. The memory stays valid while the object lives.
    virtual HRESULT GetData(LPCSTR szMember, DWORD* pcbSize, void** ppvData) = 0;
    virtual HRESULT GetType(const GUID** ppguid) = 0;
    // Next child: an embedded data object or a reference.
    virtual HRESULT GetNextObject(LPDIRECTXFILEOBJECT* ppChildObj) = 0;
    virtual HRESULT AddDataObject(LPDIRECTXFILEDATA pDataObj) = 0;
    virtual HRESULT AddDataReference(LPCSTR szRef, const GUID* pguidRef) = 0;
    virtual HRESULT AddBinaryObject(LPCSTR szName, const GUID* pguid, LPCSTR szMimeType, LPVOID pvData,
                                    DWORD cbSize) = 0;
};

struct IDirectXFileDataReference : IDirectXFileObject {
    virtual HRESULT Resolve(LPDIRECTXFILEDATA* ppDataObj) = 0;
};

struct IDirectXFileBinary : IDirectXFileObject {
    virtual HRESULT GetSize(DWORD* pcbSize) = 0;
    virtual HRESULT GetMimeType(LPCSTR* pszMimeType) = 0;
    virtual HRESULT Read(LPVOID pvData, DWORD cbSize, LPDWORD pcbRead) = 0;
};

HRESULT WINAPI DirectXFileCreate(LPDIRECTXFILE* lplpDirectXFile);

extern const IID IID_IDirectXFile;
extern const IID IID_IDirectXFileEnumObject;
extern const IID IID_IDirectXFileSaveObject;
extern const IID IID_IDirectXFileObject;
extern const IID IID_IDirectXFileData;
extern const IID IID_IDirectXFileDataReference;
extern const IID IID_IDirectXFileBinary;


// Template ids of the standard templates.
extern const GUID TID_DXFILEHeader;
extern const GUID TID_D3DRMVector;
extern const GUID TID_D3DRMCoords2d;
extern const GUID TID_D3DRMMatrix4x4;
extern const GUID TID_D3DRMColorRGBA;
extern const GUID TID_D3DRMColorRGB;
extern const GUID TID_D3DRMIndexedColor;
extern const GUID TID_D3DRMBoolean;
extern const GUID TID_D3DRMBoolean2d;
extern const GUID TID_D3DRMMaterialWrap;
extern const GUID TID_D3DRMTextureFilename;
extern const GUID TID_D3DRMMaterial;
extern const GUID TID_D3DRMMeshFace;
extern const GUID TID_D3DRMMeshFaceWraps;
extern const GUID TID_D3DRMMeshTextureCoords;
extern const GUID TID_D3DRMMeshMaterialList;
extern const GUID TID_D3DRMMeshNormals;
extern const GUID TID_D3DRMMeshVertexColors;
extern const GUID TID_D3DRMMesh;
extern const GUID TID_D3DRMFrameTransformMatrix;
extern const GUID TID_D3DRMFrame;
extern const GUID TID_D3DRMFloatKeys;
extern const GUID TID_D3DRMTimedFloatKeys;
extern const GUID TID_D3DRMAnimationKey;
extern const GUID TID_D3DRMAnimationOptions;
extern const GUID TID_D3DRMAnimation;
extern const GUID TID_D3DRMAnimationSet;
extern const GUID DXFILEOBJ_XSkinMeshHeader;
extern const GUID DXFILEOBJ_VertexDuplicationIndices;
extern const GUID DXFILEOBJ_SkinWeights;
extern const GUID DXFILEOBJ_FVFData;

// The standard templates as a block for RegisterTemplates.
extern const unsigned char D3DRM_XTEMPLATES[];
extern const DWORD D3DRM_XTEMPLATE_BYTES;
