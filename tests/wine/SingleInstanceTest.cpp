// The single-instance mutex, run under Wine: a copy run as administrator makes the mutex with a
// security this copy may not open it with, and CreateMutex then fails with "Access is denied";
// that copy runs all the same.
#include <aclapi.h>
#include <windows.h>

#include <cstdio>

#include "windows/Services.h"

namespace {

const char* const kName = "Local\\Tolvane.SingleInstance";
int failures = 0;

void Expect(bool ok, const char* what) {
  if (ok) return;
  std::printf("FAIL: %s\n", what);
  ++failures;
}

}  // namespace

int main() {
  {
    tolvane::win32::SingleInstance first, second;
    Expect(!first.PreviousInstance(), "the first copy finds no other");
    Expect(second.PreviousInstance(), "a second copy finds the first");
  }
  // The elevated copy's mutex, as this user sees it: a security that grants nothing.
  SECURITY_DESCRIPTOR denyAll;
  InitializeSecurityDescriptor(&denyAll, SECURITY_DESCRIPTOR_REVISION);
  ACL empty;
  InitializeAcl(&empty, sizeof empty, ACL_REVISION);
  SetSecurityDescriptorDacl(&denyAll, TRUE, &empty, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &denyAll, FALSE};
  HANDLE elevated = CreateMutexA(&attributes, FALSE, kName);
  Expect(elevated != nullptr, "the guarded mutex is made");
  SetLastError(0);
  HANDLE probe = CreateMutexA(nullptr, FALSE, kName);
  const DWORD refused = GetLastError();
  if (probe) CloseHandle(probe);
  if (probe || refused != ERROR_ACCESS_DENIED) {
    std::printf("FAIL: premise: opening the guarded mutex gave %p, error %lu, not Access is denied\n", probe,
                static_cast<unsigned long>(refused));
    return 1;
  }
  tolvane::win32::SingleInstance another;
  Expect(another.PreviousInstance(), "a mutex this copy may not open is another copy's");
  CloseHandle(elevated);
  std::printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
