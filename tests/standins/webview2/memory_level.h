#pragma once
// ICoreWebView2_19 of the web view, for its memory usage target level alone. The web view
// itself is an ICoreWebView2_3; this face shares its identity and answers the level, and
// every other method of ICoreWebView2_4 to _19, none of which the programs call, with
// E_NOTIMPL. It is built from the SDK's C declarations of the interface (memory_level.cpp).
#include <guiddef.h>

class MemoryLevelOwner {
  public:
    virtual long ownerQueryInterface(const GUID& iid, void** object) = 0;
    virtual unsigned long ownerAddRef() = 0;
    virtual unsigned long ownerRelease() = 0;
    // COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL as a number.
    virtual long setMemoryLevel(int level) = 0;
    virtual int memoryLevel() const = 0;

  protected:
    ~MemoryLevelOwner() = default;
};

// Whether iid is one of ICoreWebView2_4 to ICoreWebView2_19, which the face answers.
bool memoryLevelInterface(const GUID& iid);

// The face as an interface pointer; it lives as long as its owner keeps it.
void* newMemoryLevelFace(MemoryLevelOwner* owner);
void deleteMemoryLevelFace(void* face);
