#pragma once

// A surface that printing draws onto, in device units. The printer adaptor is one; tests record.

#include <QString>

class TPage
{
public:
    virtual ~TPage() = default;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    virtual int TextHeight(const QString &text) const = 0;
    // Top-left aligned, no clipping.
    virtual void TextOut(int x, int y, const QString &text) = 0;
    virtual void NewPage() = 0;
};
