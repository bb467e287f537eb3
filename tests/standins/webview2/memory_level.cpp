// The SDK's C declarations give the face's table by name: CINTERFACE only in this file.
#define CINTERFACE
#include <windows.h>

#include "WebView2.h"
#include "memory_level.h"

#include <initializer_list>

namespace {

struct Face {
    const ICoreWebView2_19Vtbl* lpVtbl;
    MemoryLevelOwner* owner;
};

MemoryLevelOwner* ownerOf(ICoreWebView2_19* self) {
    return reinterpret_cast<Face*>(self)->owner;
}

HRESULT STDMETHODCALLTYPE queryInterface(ICoreWebView2_19* self, REFIID iid, void** object) {
    return ownerOf(self)->ownerQueryInterface(iid, object);
}
ULONG STDMETHODCALLTYPE addRef(ICoreWebView2_19* self) {
    return ownerOf(self)->ownerAddRef();
}
ULONG STDMETHODCALLTYPE release(ICoreWebView2_19* self) {
    return ownerOf(self)->ownerRelease();
}
HRESULT STDMETHODCALLTYPE getLevel(ICoreWebView2_19* self,
                                   COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL* level) {
    if (!level)
        return E_POINTER;
    *level = static_cast<COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL>(ownerOf(self)->memoryLevel());
    return S_OK;
}
HRESULT STDMETHODCALLTYPE putLevel(ICoreWebView2_19* self,
                                   COREWEBVIEW2_MEMORY_USAGE_TARGET_LEVEL level) {
    return ownerOf(self)->setMemoryLevel(static_cast<int>(level));
}
// Every other slot: one calling convention on x64, so one function answers them all.
HRESULT STDMETHODCALLTYPE notOffered() {
    return E_NOTIMPL;
}

const ICoreWebView2_19Vtbl* table() {
    static const ICoreWebView2_19Vtbl built = [] {
        ICoreWebView2_19Vtbl t;
        using Slot = HRESULT(STDMETHODCALLTYPE*)();
        Slot* slots = reinterpret_cast<Slot*>(&t);
        for (size_t i = 0; i < sizeof t / sizeof(Slot); ++i)
            slots[i] = notOffered;
        t.QueryInterface = queryInterface;
        t.AddRef = addRef;
        t.Release = release;
        t.get_MemoryUsageTargetLevel = getLevel;
        t.put_MemoryUsageTargetLevel = putLevel;
        return t;
    }();
    return &built;
}

} // namespace

bool memoryLevelInterface(const GUID& iid) {
    for (const IID* offered :
         {&IID_ICoreWebView2_4, &IID_ICoreWebView2_5, &IID_ICoreWebView2_6, &IID_ICoreWebView2_7,
          &IID_ICoreWebView2_8, &IID_ICoreWebView2_9, &IID_ICoreWebView2_10, &IID_ICoreWebView2_11,
          &IID_ICoreWebView2_12, &IID_ICoreWebView2_13, &IID_ICoreWebView2_14,
          &IID_ICoreWebView2_15, &IID_ICoreWebView2_16, &IID_ICoreWebView2_17,
          &IID_ICoreWebView2_18, &IID_ICoreWebView2_19})
        if (IsEqualGUID(iid, *offered))
            return true;
    return false;
}

void* newMemoryLevelFace(MemoryLevelOwner* owner) {
    return new Face{table(), owner};
}

void deleteMemoryLevelFace(void* face) {
    delete static_cast<Face*>(face);
}
