// Small move-only owners for Windows handles. Each releases what it holds when it goes
// out of scope, so every early return of an operation releases what it took.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace qs {

// Owner of one handle-like value. Traits give the handle type, its empty value and the
// call that releases it.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != Traits::Empty(); }
    explicit operator bool() const { return valid(); }

    // For out-parameters: releases the current value and hands out its slot.
    Handle* put() {
        reset();
        return &handle_;
    }
    // Taking the handle already held keeps it (releasing it would leave a dead handle).
    void reset(Handle handle = Traits::Empty()) {
        if (handle == handle_) return;
        if (handle_ != Traits::Empty()) Traits::Release(handle_);
        handle_ = handle;
    }
    Handle release() { return std::exchange(handle_, Traits::Empty()); }

private:
    Handle handle_ = Traits::Empty();
};

namespace traits {
struct KernelHandle {  // mutexes, threads, events: empty is null
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Release(Handle h) { ::CloseHandle(h); }
};
struct FileHandle {  // CreateFile: empty is INVALID_HANDLE_VALUE
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { ::CloseHandle(h); }
};
struct FindHandle {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { ::FindClose(h); }
};
struct RegistryKey {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Release(Handle k) { ::RegCloseKey(k); }
};
struct LoadedModule {
    using Handle = HMODULE;
    static Handle Empty() { return nullptr; }
    static void Release(Handle m) { ::FreeLibrary(m); }
};
struct LocalMemory {  // memory the system allocated for the caller with LocalAlloc
    using Handle = PVOID;
    static Handle Empty() { return nullptr; }
    static void Release(Handle m) { ::LocalFree(m); }
};
struct GdiObject {
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Release(Handle o) { ::DeleteObject(o); }
};
struct MemoryDc {
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Release(Handle dc) { ::DeleteDC(dc); }
};
}  // namespace traits

using UniqueKernelHandle = UniqueHandle<traits::KernelHandle>;
using UniqueFile = UniqueHandle<traits::FileHandle>;
using UniqueFind = UniqueHandle<traits::FindHandle>;
using UniqueKey = UniqueHandle<traits::RegistryKey>;
using UniqueModule = UniqueHandle<traits::LoadedModule>;
using UniqueLocalMemory = UniqueHandle<traits::LocalMemory>;
using UniqueGdiObject = UniqueHandle<traits::GdiObject>;
using UniqueMemoryDc = UniqueHandle<traits::MemoryDc>;

// A window device context from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and selects the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (previous_ != nullptr && previous_ != SelectFailed()) ::SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    // SelectObject's failure answer, HGDI_ERROR, spelled out: the SDK's macro converts the
    // sign of a 32-bit constant, which -Wsign-conversion refuses in an x86-64 build.
    static HGDIOBJ SelectFailed() { return reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)); }
    HDC dc_;
    HGDIOBJ previous_;
};

// A COM interface pointer, released once.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For CoCreateInstance and QueryInterface.
    void** put_void() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    void reset() {
        if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
    }

private:
    Interface* p_ = nullptr;
};

// COM for the calling thread (single-threaded apartment). Every successful
// initialisation is paired with an uninitialisation, S_FALSE (already initialised on
// this thread) included; a failed one (RPC_E_CHANGED_MODE) is not.
class ComApartment {
public:
    ComApartment() : result_(::CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace qs
