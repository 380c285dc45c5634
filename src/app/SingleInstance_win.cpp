// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <windows.h>

struct SingleInstance::Handle {
    HANDLE mutex = nullptr;
};

SingleInstance::SingleInstance(QString name) : m_name(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (m_handle && m_handle->mutex)
        CloseHandle(m_handle->mutex);
}

bool SingleInstance::TryAcquire() {
    if (m_handle)
        return true;
    HANDLE mutex = CreateMutexW(nullptr, TRUE, reinterpret_cast<LPCWSTR>(m_name.utf16()));
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    m_handle = std::make_unique<Handle>();
    m_handle->mutex = mutex;
    return true;
}
