#pragma once
// The registry suites run once per backend: the in-memory store everywhere, and under Wine the
// real registry too, inside a scratch key that each test clears before and after itself.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/registry/owned_key.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_api.h"
#include "tests/support/memory_registry.h"
#ifdef _WIN32
#include "platform/registry/registry_win32.h"
#endif

// Below HKEY_LOCAL_MACHINE, where the utility itself works.
constexpr char kScratch[] = "SOFTWARE\\isreloc-test-scratch";
constexpr char16_t kScratchWide[] = u"SOFTWARE\\isreloc-test-scratch";

// Awkward names and data, spelled as UTF-16 so the source's encoding cannot change them.
const std::u16string kJapaneseName = u"\u88FD\u54C1\u540D";             // "product name"
const std::u16string kJapaneseText = u"\u30B5\u30F3\u30D7\u30EB\u88FD\u54C1";
const std::u16string kCyrillicName = u"\u0418\u043C\u044F";              // "name"

struct RegistryBackend {
    std::string name;
    std::function<std::unique_ptr<RegistryApi>()> make;
};

inline void PrintTo(const RegistryBackend& backend, std::ostream* out) { *out << backend.name; }

inline RegistryBackend memoryBackend() {
    return {"MemoryStore", [] { return std::make_unique<MemoryRegistry>(); }};
}

inline std::vector<RegistryBackend> registryBackends() {
    std::vector<RegistryBackend> backends{memoryBackend()};
#ifdef _WIN32
    backends.push_back({"RealRegistry", [] { return std::make_unique<Win32RegistryApi>(); }});
#endif
    return backends;
}

inline std::string backendName(const testing::TestParamInfo<RegistryBackend>& info) { return info.param.name; }

inline std::vector<uint8_t> utf16Data(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

inline std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

struct RawValue {
    int32_t result = -1;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    bool operator==(const RawValue& other) const {
        return result == other.result && type == other.type && data == other.data;
    }
};

inline std::ostream& operator<<(std::ostream& out, const RawValue& value) {
    out << "{result " << value.result << ", type " << value.type << ", " << value.data.size() << " bytes:";
    for (uint8_t byte : value.data) out << ' ' << static_cast<int>(byte);
    return out << '}';
}

// Sets up and reads the registry straight through the seam, so that what a test arranges and
// checks does not depend on the layer under test. Paths are below the scratch key.
class RegistryBackendTest : public testing::TestWithParam<RegistryBackend> {
protected:
    void SetUp() override {
        api_ = GetParam().make();
        clearScratch();
        createRaw(u"");
    }

    void TearDown() override {
        registry_.reset();
        clearScratch();
        if (MemoryRegistry* memory = store()) {
            EXPECT_EQ(memory->openHandleCount(), 0u) << "a handle was left open";
        }
    }

    RegistryApi& api() { return *api_; }
    // The in-memory store, or null on the real registry.
    MemoryRegistry* store() { return dynamic_cast<MemoryRegistry*>(api_.get()); }

    // A layer object rooted at HKEY_LOCAL_MACHINE, destroyed before the scratch key is cleared.
    TRegistry& registry() {
        if (!registry_) {
            registry_ = std::make_unique<TRegistry>(*api_);
            registry_->setRoot(kLocalMachine);
        }
        return *registry_;
    }
    void dropRegistry() { registry_.reset(); }

    static std::u16string scratchPath(const std::u16string& below) {
        return below.empty() ? std::u16string(kScratchWide) : std::u16string(kScratchWide) + u"\\" + below;
    }
    // The absolute layer path of a key below the scratch key.
    static std::string layerPath(const std::string& below) {
        return below.empty() ? std::string("\\") + kScratch : std::string("\\") + kScratch + "\\" + below;
    }

    OwnedKey openRaw(const std::u16string& below) {
        RegistryHandle key = kNoKey;
        api_->regOpenKeyExW(kLocalMachine, scratchPath(below).c_str(), kKeyAllAccess, &key);
        return OwnedKey(*api_, key);
    }

    OwnedKey createRaw(const std::u16string& below) {
        RegistryHandle key = kNoKey;
        const int32_t result = api_->regCreateKeyExW(kLocalMachine, scratchPath(below).c_str(), kKeyAllAccess, &key);
        EXPECT_EQ(result, 0) << "cannot create a test key";
        return OwnedKey(*api_, key);
    }

    bool keyExists(const std::u16string& below) { return static_cast<bool>(openRaw(below)); }

    void setRaw(const std::u16string& below, const std::u16string& name, uint32_t type,
                const std::vector<uint8_t>& data) {
        OwnedKey key = createRaw(below);
        static const uint8_t none = 0;
        ASSERT_EQ(api_->regSetValueExW(key.get(), name.c_str(), type, data.empty() ? &none : data.data(),
                                       static_cast<uint32_t>(data.size())),
                  0);
    }

    // The value as the registry holds it, read through the wide call.
    RawValue queryRaw(const std::u16string& below, const std::u16string& name) {
        RawValue value;
        OwnedKey key = openRaw(below);
        if (!key) return value;
        uint32_t size = 0;
        value.result = api_->regQueryValueExW(key.get(), name.c_str(), &value.type, nullptr, &size);
        if (value.result != 0) return value;
        value.data.assign(size, 0);
        value.result = api_->regQueryValueExW(key.get(), name.c_str(), &value.type, value.data.data(), &size);
        value.data.resize(size);
        return value;
    }

    // The value as an ANSI program sees it.
    RawValue queryAnsi(const std::u16string& below, const std::string& name) {
        RawValue value;
        OwnedKey key = openRaw(below);
        if (!key) return value;
        uint32_t size = 0;
        value.result = api_->regQueryValueExA(key.get(), name.c_str(), &value.type, nullptr, &size);
        if (value.result != 0) return value;
        value.data.assign(size, 0);
        value.result = api_->regQueryValueExA(key.get(), name.c_str(), &value.type, value.data.data(), &size);
        value.data.resize(size);
        return value;
    }

private:
    // Deletes a tree bottom-up; a key already gone is what we wanted.
    void eraseRaw(RegistryHandle base, const std::u16string& path) {
        RegistryHandle opened = kNoKey;
        if (api_->regOpenKeyExW(base, path.c_str(), kKeyAllAccess, &opened) != 0) return;
        OwnedKey key(*api_, opened);
        for (;;) {
            char16_t name[512];
            uint32_t length = 512;
            if (api_->regEnumKeyExW(key.get(), 0, name, &length) != 0) break;
            const std::u16string subkey(name, length);
            eraseRaw(key.get(), subkey);
            RegistryHandle check = kNoKey;
            if (api_->regOpenKeyExW(key.get(), subkey.c_str(), kKeyAllAccess, &check) == 0) {
                api_->regCloseKey(check);
                break;  // could not delete it; do not loop for ever
            }
        }
        key.reset();
        api_->regDeleteKeyW(base, path.c_str());
    }

    void clearScratch() {
        if (MemoryRegistry* memory = store()) {
            memory->clearFailures();
            memory->grantEverything();
        }
        eraseRaw(kLocalMachine, kScratchWide);
    }

    std::unique_ptr<RegistryApi> api_;
    std::unique_ptr<TRegistry> registry_;
};
