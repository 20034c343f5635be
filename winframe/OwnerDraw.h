// COwnerDraw: routes the owner-draw messages that the parent reflected back to a control
// (OCM_DRAWITEM, OCM_MEASUREITEM, OCM_COMPAREITEM, OCM_DELETEITEM) to the control's
// DrawItem, MeasureItem, CompareItem and DeleteItem. T declares the ones it needs; the
// others answer with the defaults below. The control calls ProcessOwnerDraw from its
// dispatch.
#pragma once

#include <windows.h>

#include "WindowImpl.h"

namespace winframe {

template <class T>
class COwnerDraw {
public:
    BOOL ProcessOwnerDraw(UINT msg, WPARAM /*wp*/, LPARAM lp, LRESULT& result) {
        T* self = static_cast<T*>(this);
        switch (msg) {
        case OCM_DRAWITEM:
            self->DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            result = TRUE;
            return TRUE;
        case OCM_MEASUREITEM:
            self->MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
            result = TRUE;
            return TRUE;
        case OCM_COMPAREITEM:
            result = self->CompareItem(reinterpret_cast<COMPAREITEMSTRUCT*>(lp));
            return TRUE;
        case OCM_DELETEITEM:
            self->DeleteItem(reinterpret_cast<DELETEITEMSTRUCT*>(lp));
            result = TRUE;
            return TRUE;
        default:
            return FALSE;
        }
    }

    void DrawItem(DRAWITEMSTRUCT* /*dis*/) {}
    void MeasureItem(MEASUREITEMSTRUCT* /*mis*/) {}
    int CompareItem(COMPAREITEMSTRUCT* /*cis*/) { return 0; }
    void DeleteItem(DELETEITEMSTRUCT* /*dis*/) {}
};

}  // namespace winframe
