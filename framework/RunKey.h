// Programs Windows starts at every log-on: values of the machine-wide Run key.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run, opened for reading or for
// writing; closed by Close() or the destructor.
class RunKey {
public:
    enum Access { kRead, kWrite };
    explicit RunKey(Access access);
    ~RunKey();
    RunKey(const RunKey&) = delete;
    RunKey& operator=(const RunKey&) = delete;

    bool IsOpen() const { return key_ != nullptr; }
    // The registry error code of opening the key (ERROR_SUCCESS when it is open).
    long OpenResult() const { return openResult_; }

    // Writes the value `name` as REG_SZ: the program's path in double quotes, so that a path with
    // blanks is never split into a shorter program name and arguments. Returns the error code.
    long SetProgram(const wchar_t* name, const std::wstring& programPath);
    long Delete(const wchar_t* name);
    bool Has(const wchar_t* name) const;
    // The value's text ("" when missing or not a string).
    std::wstring Read(const wchar_t* name) const;

    // Closes the key; the error code of closing it (ERROR_SUCCESS when it was not open).
    long Close();

private:
    HKEY key_ = nullptr;
    long openResult_ = ERROR_SUCCESS;
};

}  // namespace win
