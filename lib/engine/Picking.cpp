// Window-object picking: the 500 ms timer and the two hook messages arrive at the engine window
// only while an object is being picked; outside picking they are ignored.
#include "engine/KarvoCore.h"

void CKarvoCore::OnTimer(UINT_PTR) {}

LRESULT CKarvoCore::OnEsLButtonDown(WPARAM, LPARAM) { return 0; }

LRESULT CKarvoCore::OnEsMouseMove(WPARAM, LPARAM) { return 0; }
