// Animated types: the frame hierarchy, key interpolation, named states and
// the list of animated types. Loading from files and drawing are in
// drawxobject_anim.cpp.
#include "world/axobject.h"

#include <cmath>
#include <cstring>
#include <new>

#include "app/startlog.h"

namespace {

// Index of the first key later than t; keys are in file order.
template <class KEY>
size_t FirstKeyAfter(const std::vector<KEY>& keys, float t) {
    size_t i = 0;
    while (i < keys.size() && static_cast<float>(keys[i].time) <= t) ++i;
    return i;
}

// The two keys around t and the blend factor between them. Before the first
// key and after the last the nearest key holds; equal key times blend 0.
template <class KEY>
void KeysAround(const std::vector<KEY>& keys, float t, size_t* k1, size_t* k2, float* f) {
    size_t after = FirstKeyAfter(keys, t);
    if (after == 0) {
        *k1 = *k2 = 0;
        *f = 0.0f;
        return;
    }
    if (after >= keys.size()) {
        *k1 = *k2 = keys.size() - 1;
        *f = 0.0f;
        return;
    }
    *k1 = after - 1;
    *k2 = after;
    float t1 = static_cast<float>(keys[*k1].time);
    float t2 = static_cast<float>(keys[*k2].time);
    *f = t2 > t1 ? (t - t1) / (t2 - t1) : 0.0f;
}

// Wraps a time into one run of a key group of the given end time.
float WrapTime(float t, float end) {
    if (end <= 0.0f) return 0.0f;
    t = std::fmod(t, end);
    if (t < 0.0f) t += end;
    return t;
}

template <class KEY>
DWORD LastTime(const std::vector<KEY>& keys) {
    DWORD last = 0;
    for (const auto& k : keys)
        if (k.time > last) last = k.time;
    return last;
}

}  // namespace

// ---------------------------------------------------------------------------
// Key interpolation

int ComputeFrameMatrix(const XFRAME& frame, float time, const char* stateText, float* lengthOut,
                       D3DXMATRIX* matrix) {
    const bool playOnce = stateText && stateText[0] == 'O';
    D3DXMATRIX result;
    D3DXMatrixIdentity(&result);

    if (!frame.matrixKeys.empty()) {
        const auto& keys = frame.matrixKeys;
        const size_t n = keys.size();
        float length = static_cast<float>(keys[n - 1].time);
        if (playOnce && n >= 2) length = static_cast<float>(keys[n - 2].time);
        if (lengthOut) *lengthOut = length;
        int passed = 0;
        if (std::fabs(time) >= length) {
            passed = 1;
            if (playOnce || length <= 0.0f) {
                // Hold the pose of the second-to-last key (the only key of a
                // single-key frame).
                if (matrix) *matrix = keys[n >= 2 ? n - 2 : 0].matrix;
                return 1;
            }
            time = std::fmod(time, length);
        }
        if (time < 0.0f) time += length;
        size_t k1, k2;
        float f;
        KeysAround(keys, time, &k1, &k2, &f);
        if (k1 == k2 || f <= 0.0f) {
            result = keys[k1].matrix;
        } else {
            float t1 = static_cast<float>(keys[k1].time);
            float t2 = static_cast<float>(keys[k2].time);
            result = (keys[k1].matrix * (t2 - time) + keys[k2].matrix * (time - t1)) / (t2 - t1);
        }
        if (matrix) *matrix = result;
        return passed;
    }

    // Scale, rotation and position keys, each group looping on its own end.
    const float end = static_cast<float>(frame.GetLastKeyTime());
    if (lengthOut) *lengthOut = end;
    if (!frame.HasKeys()) {
        if (matrix) *matrix = result;
        return 0;
    }
    // The whole animation of the frame has run once when the time reaches its
    // last key; the pose keeps looping either way.
    int passed = end > 0.0f && std::fabs(time) >= end ? 1 : 0;

    if (!frame.scaleKeys.empty()) {
        const auto& keys = frame.scaleKeys;
        float t = WrapTime(time, static_cast<float>(LastTime(keys)));
        size_t k1, k2;
        float f;
        KeysAround(keys, t, &k1, &k2, &f);
        D3DXVECTOR3 s;
        D3DXVec3Lerp(&s, &keys[k1].scale, &keys[k2].scale, f);
        D3DXMATRIX m;
        D3DXMatrixScaling(&m, s.x, s.y, s.z);
        result = result * m;
    }
    if (!frame.rotateKeys.empty()) {
        const auto& keys = frame.rotateKeys;
        float t = WrapTime(time, static_cast<float>(LastTime(keys)));
        size_t k1, k2;
        float f;
        KeysAround(keys, t, &k1, &k2, &f);
        // The file's quaternions turn the other way round than the matrix
        // convention: interpolate their conjugates.
        D3DXQUATERNION q1, q2, q;
        D3DXQuaternionConjugate(&q1, &keys[k1].quaternion);
        D3DXQuaternionConjugate(&q2, &keys[k2].quaternion);
        D3DXQuaternionSlerp(&q, &q1, &q2, f);
        D3DXMATRIX m;
        D3DXMatrixRotationQuaternion(&m, &q);
        result = result * m;
    }
    D3DXMATRIX translation;
    if (!frame.positionKeys.empty()) {
        const auto& keys = frame.positionKeys;
        float t = WrapTime(time, static_cast<float>(LastTime(keys)));
        size_t k1, k2;
        float f;
        KeysAround(keys, t, &k1, &k2, &f);
        D3DXVECTOR3 p;
        D3DXVec3Lerp(&p, &keys[k1].position, &keys[k2].position, f);
        D3DXMatrixTranslation(&translation, p.x, p.y, p.z);
    } else {
        const D3DXMATRIX& loaded = frame.target ? frame.target->loadedMatrix : frame.loadedMatrix;
        D3DXMatrixTranslation(&translation, loaded._41, loaded._42, loaded._43);
    }
    result = result * translation;
    if (matrix) *matrix = result;
    return passed;
}

// ---------------------------------------------------------------------------
// XFRAME

XFRAME::XFRAME() {
    D3DXMatrixIdentity(&loadedMatrix);
    D3DXMatrixIdentity(&localMatrix);
    D3DXMatrixIdentity(&worldMatrix);
}

XFRAME::~XFRAME() {
    while (meshContainers) {
        XMESHCONTAINER* next = meshContainers->next;
        delete meshContainers;
        meshContainers = next;
    }
    // Children and siblings are freed iteratively along the sibling chain so
    // that long chains do not recurse deeply.
    delete firstChild;
    XFRAME* s = sibling;
    sibling = nullptr;
    while (s) {
        XFRAME* nextSibling = s->sibling;
        s->sibling = nullptr;
        delete s;
        s = nextSibling;
    }
}

XFRAME* XFRAME::FindFrame(const char* frameName) {
    if (!frameName) return nullptr;
    for (XFRAME* f = this; f; f = f->sibling) {
        if (f->name == frameName) return f;
        if (f->firstChild) {
            XFRAME* found = f->firstChild->FindFrame(frameName);
            if (found) return found;
        }
    }
    return nullptr;
}

void XFRAME::AddFrame(XFRAME* child) {
    if (!child) return;
    child->sibling = firstChild;
    firstChild = child;
}

void XFRAME::AddMeshContainer(XMESHCONTAINER* container) {
    if (!container) return;
    container->next = meshContainers;
    meshContainers = container;
}

DWORD XFRAME::GetLastKeyTime() const {
    DWORD last = LastTime(rotateKeys);
    DWORD t = LastTime(scaleKeys);
    if (t > last) last = t;
    t = LastTime(positionKeys);
    if (t > last) last = t;
    t = LastTime(matrixKeys);
    if (t > last) last = t;
    return last;
}

int XFRAME::SetTime(float time, const char* stateText, float* length, D3DXMATRIX* matrix) {
    D3DXMATRIX m;
    float len = 0.0f;
    int passed = ComputeFrameMatrix(*this, time, stateText, &len, &m);
    if (length) *length = len;
    if (HasKeys()) {
        if (target) target->localMatrix = m;
        if (matrix) *matrix = m;
    }
    return passed;
}

// ---------------------------------------------------------------------------
// XANIMMESH

XANIMMESH::XANIMMESH() {
    root = new XFRAME();
    for (float& l : setLengths) l = -1.0f;
}

XANIMMESH::~XANIMMESH() { delete root; }

XFRAME* XANIMMESH::FindFrame(const char* frameName) { return root ? root->FindFrame(frameName) : nullptr; }

bool XANIMMESH::BeginAnimSet() {
    if (animSetCount >= MAXANIMSETS) return false;
    animSets[animSetCount] = nullptr;
    setLengths[animSetCount] = -1.0f;
    ++animSetCount;
    return true;
}

void XANIMMESH::AddAnimFrame(XFRAME* frame) {
    if (!frame) return;
    if (animSetCount == 0 && !BeginAnimSet()) return;
    XFRAME*& head = animSets[animSetCount - 1];
    frame->nextAnim = head;
    head = frame;
}

XFRAME* XANIMMESH::FindAnimFrame(const char* animName) {
    if (!animName) return nullptr;
    for (int i = 0; i < animSetCount; ++i)
        for (XFRAME* f = animSets[i]; f; f = f->nextAnim)
            if (f->name == animName) return f;
    return nullptr;
}

void XANIMMESH::ComputeSetLengths() {
    for (int i = 0; i < animSetCount; ++i) {
        float length = -1.0f;
        for (XFRAME* f = animSets[i]; f; f = f->nextAnim)
            if (f->HasKeys()) {
                float t = static_cast<float>(f->GetLastKeyTime());
                if (t > length) length = t;
            }
        setLengths[i] = length;
    }
}

// ---------------------------------------------------------------------------
// AXOBJECT states

void AXOBJECT::AppendXstate(const char* stateName, const char* text, float value) {
    XSTATE* s = new (std::nothrow) XSTATE();
    if (!s) return;
    CopyText(s->name, sizeof s->name, stateName);
    CopyText(s->text, sizeof s->text, text);
    s->value = value;
    s->next = xStates;
    xStates = s;
}

void AXOBJECT::FindXstate(const char* stateName, char* text, int textSize, float* value) const {
    for (const XSTATE* s = xStates; s; s = s->next)
        if (stateName && strcmp(s->name, stateName) == 0) {
            if (text) CopyText(text, textSize, s->text);
            if (value) *value = s->value;
            return;
        }
    if (text) CopyText(text, textSize, "????");
}

void AXOBJECT::FreeStates() {
    while (xStates) {
        XSTATE* next = xStates->next;
        delete xStates;
        xStates = next;
    }
}

AXOBJECT::AXOBJECT() { type = ANIMATED_TYPE; }

AXOBJECT::~AXOBJECT() {
    FreeStates();
    delete animMesh;
    animMesh = nullptr;
}

// ---------------------------------------------------------------------------
// AXOBJECT_LIST

AXOBJECT_LIST::AXOBJECT_LIST() = default;

AXOBJECT_LIST::~AXOBJECT_LIST() {
    WriteStartLog("Releasing AXOBJECT_LIST...");
    RemoveAll();
    WriteStartLog("AXOBJECT_LIST was deleted...");
}

void AXOBJECT_LIST::RemoveAll() {
    while (head) {
        AXOBJECT* next = head->next;
        delete head;
        head = next;
    }
    count = 0;
}

AXOBJECT* AXOBJECT_LIST::FindByObjId(int objId) const {
    for (AXOBJECT* a = head; a; a = a->next)
        if (a->objId == objId) return a;
    return nullptr;
}

int AXOBJECT_LIST::AddOneAXObject(const char* path, const char* displayName, int objId, float scale,
                                  float vehicleValue, int vehicleParam, const char* colourTexture1,
                                  const char* colourTexture2, unsigned int colour1, unsigned int colour2) {
    AXOBJECT* a = new (std::nothrow) AXOBJECT();
    if (!a) {
        WriteStartLog("Out of memory in AXOBJECT_LIST::AddOneAXObject() !!!");
        return 0;
    }
    CopyText(a->colourTexture1, sizeof a->colourTexture1, colourTexture1 ? colourTexture1 : "");
    CopyText(a->colourTexture2, sizeof a->colourTexture2, colourTexture2 ? colourTexture2 : "");
    a->colour1 = colour1;
    a->colour2 = colour2;
    CopyText(a->name, sizeof a->name, displayName);
    a->objId = objId;
    a->type = ANIMATED_TYPE;
    a->animMode = 0;
    a->animScale = scale;
    a->halfLength = vehicleValue;
    a->vehicleParam = vehicleParam;
    HRESULT hr = a->LoadAnimatedMesh(path);
    if (FAILED(hr)) {
        WriteStartLog("Unable to load animated X file:", NOLINEEND);
        WriteStartLog(path ? path : "");
        delete a;
        return 0;
    }
    a->AppendXstate(path, "L", 1.0f);
    a->next = head;
    head = a;
    WriteStartLog("animated X file successfully loaded...");
    WriteStartLog("**");
    ++count;
    return 1;
}
