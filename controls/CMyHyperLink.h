// CMyHyperLink: the link of the main window. It looks and behaves like CHyperLink, but a
// click always opens the product page, whatever target it was given.
#pragma once

#include "HyperLink.h"

class CMyHyperLink : public winframe::CHyperLinkImpl<CMyHyperLink> {
public:
    void Navigate();
};
