// The manual control table: a strip along the bottom of the screen with one
// 51-pixel cell per power feed point, switch, detach point, barrier or
// turntable that the player switches by hand. It scrolls, folds away and its
// cells can be reordered by dragging with the right button.
#pragma once

#include <cstdio>

struct TRACK;
struct POWER_NODE;

constexpr int MANUALCONTROL_MAXITEMS = 10;
constexpr int MANUALCONTROL_CELLWIDTH = 51;
constexpr int MANUALCONTROL_NAMELEN = 64;

// Entry types.
constexpr int MCT_POWER = 0;
constexpr int MCT_SWITCH = 1;
constexpr int MCT_DETACH = 2;
constexpr int MCT_BARRIER = 3;
constexpr int MCT_TURNTABLE = 4;

// One item of a cell: an interface image with its place in the cell.
struct MANUAL_CONTROL_ITEM {
    int itemId = 0;  // INTERFACE_ID
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int bItemDisabled = 0;
};

// Gauge percent (0..100) from a y offset within the gauge item.
int GetGaugePercent(int y);
// Draws the gauge image at (x, y) with its knob at a percent.
void DrawGauge(int x, int y, int percent);

class MANUAL_CONTROL_ENTRY {
public:
    MANUAL_CONTROL_ENTRY() = default;
    virtual ~MANUAL_CONTROL_ENTRY() = default;
    MANUAL_CONTROL_ENTRY(const MANUAL_CONTROL_ENTRY&) = delete;
    MANUAL_CONTROL_ENTRY& operator=(const MANUAL_CONTROL_ENTRY&) = delete;

    virtual void GetControl(int* type, void** object) const;
    virtual void SetObject(void* object);
    // y within the cell.
    virtual void DragItem(int y);
    virtual void SaveId();
    virtual void RestoreObject();
    virtual void InitItems();
    virtual void GetName(char* out, int size) const;
    virtual void DrawItems(int cellX, int cellY);
    // x and y within the item; 1 when a drag starts.
    virtual int ActItem(int itemId, int x, int y);

    // Adds an item with its size taken from the interface coordinates.
    void AddItem(int itemId, int x, int y);

    MANUAL_CONTROL_ENTRY* pPrev = nullptr;
    MANUAL_CONTROL_ENTRY* pNext = nullptr;
    int controlType = 0;
    MANUAL_CONTROL_ITEM items[MANUALCONTROL_MAXITEMS];
    int itemCount = 0;
    int objectId = 0;
    void* pObject = nullptr;

protected:
    TRACK* Piece() const { return static_cast<TRACK*>(pObject); }
    // Piece id into objectId, piece by id back.
    void SavePieceId();
    void RestorePiece();
};

class POWER_CONTROL_ENTRY : public MANUAL_CONTROL_ENTRY {
public:
    POWER_CONTROL_ENTRY() { controlType = MCT_POWER; }
    void DragItem(int y) override;
    void SaveId() override;
    void RestoreObject() override;
    void InitItems() override;
    void GetName(char* out, int size) const override;
    void DrawItems(int cellX, int cellY) override;
    int ActItem(int itemId, int x, int y) override;

private:
    POWER_NODE* Node() const { return static_cast<POWER_NODE*>(pObject); }
    void SetPercent(int percent);
};

class SWITCH_CONTROL_ENTRY : public MANUAL_CONTROL_ENTRY {
public:
    SWITCH_CONTROL_ENTRY() { controlType = MCT_SWITCH; }
    void SaveId() override { SavePieceId(); }
    void RestoreObject() override { RestorePiece(); }
    void InitItems() override;
    void GetName(char* out, int size) const override;
    void DrawItems(int cellX, int cellY) override;
    int ActItem(int itemId, int x, int y) override;
};

class DETACH_CONTROL_ENTRY : public MANUAL_CONTROL_ENTRY {
public:
    DETACH_CONTROL_ENTRY() { controlType = MCT_DETACH; }
    void SaveId() override { SavePieceId(); }
    void RestoreObject() override { RestorePiece(); }
    void InitItems() override;
    void GetName(char* out, int size) const override;
    void DrawItems(int cellX, int cellY) override;
    int ActItem(int itemId, int x, int y) override;
};

class BARRIER_CONTROL_ENTRY : public MANUAL_CONTROL_ENTRY {
public:
    BARRIER_CONTROL_ENTRY() { controlType = MCT_BARRIER; }
    void SaveId() override { SavePieceId(); }
    void RestoreObject() override { RestorePiece(); }
    void InitItems() override;
    void GetName(char* out, int size) const override;
    void DrawItems(int cellX, int cellY) override;
    int ActItem(int itemId, int x, int y) override;
};

class TTABLE_CONTROL_ENTRY : public MANUAL_CONTROL_ENTRY {
public:
    TTABLE_CONTROL_ENTRY() { controlType = MCT_TURNTABLE; }
    void SaveId() override { SavePieceId(); }
    void RestoreObject() override { RestorePiece(); }
    void InitItems() override;
    void GetName(char* out, int size) const override;
    void DrawItems(int cellX, int cellY) override;
    int ActItem(int itemId, int x, int y) override;
};

class MANUAL_CONTROL_TABLE {
public:
    MANUAL_CONTROL_TABLE();
    ~MANUAL_CONTROL_TABLE();
    MANUAL_CONTROL_TABLE(const MANUAL_CONTROL_TABLE&) = delete;
    MANUAL_CONTROL_TABLE& operator=(const MANUAL_CONTROL_TABLE&) = delete;

    // type 0 power feed point, 1 switch, 2 detach point, 3 barrier, 4
    // turntable: on adds an entry for (type, object) unless one exists, off
    // removes it.
    void SetControl(int type, void* object, int on);
    // Creates the entry of the type's class at the tail: for the object, or
    // (object null) for a saved id to be restored later.
    MANUAL_CONTROL_ENTRY* AddControl(int type, void* object, int id = 0);

    void Draw();
    void HandleInput();
    // True when the cursor lies over the shown strip or the fold button.
    int IsMouseOver();
    int GetInputState() const { return inputState; }

    // Frees every entry (before a load or a new layout).
    void Clear();
    int GetEntryCount() const { return entryCount; }
    int IsShown() const { return bShown; }
    void SetShown(int v) { bShown = v; }
    MANUAL_CONTROL_ENTRY* GetFirst() const { return pHead; }
    MANUAL_CONTROL_ENTRY* GetEntry(int index) const;
    MANUAL_CONTROL_ENTRY* Find(int type, const void* object) const;
    int GetScrollOffset() const { return scrollOffset; }
    void SetScrollOffset(int v) { scrollOffset = v < 0 ? 0 : v; }
    int GetVisibleCount() const { return visibleCount; }
    int CanScrollLeft() const { return bCanScrollLeft; }
    int CanScrollRight() const { return bCanScrollRight; }
    int GetThumbX() const { return thumbX; }
    MANUAL_CONTROL_ENTRY* GetDragged() const { return pDragged; }

    // --- layout file (section 7) ---
    void SaveIds();
    // 1 byte shown flag, int32 count, per entry int32 type and int32 id.
    int Save(FILE* file);
    int Load(FILE* file);
    void RestoreObjects();

    // The screen size the table lays itself out in (0 = the display's).
    static void SetScreenSizeForTest(int width, int height);

private:
    // Screen size, cell count, arrow, thumb and fold rectangles.
    void UpdateGeometry();
    int GetHeight() const { return screenH; }
    void Remove(MANUAL_CONTROL_ENTRY* e);
    void MoveDragged(int mouseX);

    MANUAL_CONTROL_ENTRY* pHead = nullptr;
    MANUAL_CONTROL_ENTRY* pDragged = nullptr;
    int scrollOffset = 0;
    int entryCount = 0;
    int visibleCount = 0;
    int bCanScrollLeft = 0;
    int bCanScrollRight = 0;
    int leftArrow[4] = {};
    int rightArrow[4] = {};
    int thumbX = 0;
    int thumbTop = 0;
    int thumbRight = 0;
    int thumbBottom = 0;
    int trackStart = 0;
    int trackEnd = 0;
    int grabX = 0;
    int thumbWidth = 0;
    int grabOffset = 0;
    int leftMargin = 89;
    int rightMargin = 12;
    int bShown = 1;
    int foldButton[4] = {};
    int inputState = 0;
    MANUAL_CONTROL_ENTRY* pItemEntry = nullptr;

    int screenW = 0;
    int screenH = 0;
};

extern MANUAL_CONTROL_TABLE manualControlTable;
