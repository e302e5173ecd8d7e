#pragma once
// Scoped acquisition of a host suite: acquired by name and version from the
// host's basic suite, released with the same name and version on every exit.

#include <cstdint>

#include "HostInterface.h"
#include "host/HostError.h"

enum class SuiteNeed {
    Required,  // a missing basic suite or a refused suite aborts the command with 516
    Optional,  // the caller checks whether the suite was granted
};

template <class T>
class HostSuite {
public:
    HostSuite(const PF_InData* in_data, const char* name, std::int32_t version,
              SuiteNeed need = SuiteNeed::Required)
        : basic_(in_data ? in_data->pica_basicP : nullptr), name_(name), version_(version) {
        const void* suite = nullptr;
        if (basic_ && basic_->AcquireSuite(name, version, &suite) == 0 && suite) {
            suite_ = static_cast<const T*>(suite);
        } else if (need == SuiteNeed::Required) {
            throwHostError(PF_Err_BAD_CALLBACK_PARAM);
        }
    }
    ~HostSuite() {
        if (suite_)
            basic_->ReleaseSuite(name_, version_);
    }
    HostSuite(const HostSuite&) = delete;
    HostSuite& operator=(const HostSuite&) = delete;

    explicit operator bool() const { return suite_ != nullptr; }
    const T* operator->() const { return suite_; }
    const T* get() const { return suite_; }

private:
    SPBasicSuite* basic_;
    const char* name_;
    std::int32_t version_;
    const T* suite_ = nullptr;
};

// Aborts the command with 516 when the host offers no basic suite.
inline void requireBasicSuite(const PF_InData* in_data) {
    if (!in_data || !in_data->pica_basicP)
        throwHostError(PF_Err_BAD_CALLBACK_PARAM);
}

inline bool isPremiere(const PF_InData* in_data) {
    return in_data->appl_id == PF_APPL_ID_PREMIERE;
}
