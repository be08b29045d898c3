#include "imaging/cDIBSectionSave.h"

#include "base/AppError.h"
#include "imaging/BmpFile.h"
#include "imaging/cColourReduceDIB.h"
#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"

#include <algorithm>

void cDIBSectionSave::ReleaseTarget()
{
    mTarget.reset();
    mCopy24.reset();
}

bool cDIBSectionSave::Convert(cDIBSection& cDIB)
{
    ReleaseTarget();
    const int width = cDIB.Width(), height = cDIB.Height();
    if (!cDIB.hdc())
        return false;

    if (mColourDepth == 3) {
        mCopy24 = std::make_unique<cDIBSection>();
        if (!mCopy24->Create(width, height)) {
            mCopy24.reset();
            return false;
        }
        cDIB.PaintPicture(mCopy24->hdc());
        return true;
    }

    if (mReductionMethod == 1 || mReductionMethod == 2) {
        cDIBSection work;
        if (!work.Create(width, height))
            return false;
        const cColourReduceDIB reducer;
        if (mReductionMethod == 1) {
            if (!mPalette)
                throw AppError(ErrorNumber::kObjectNotSet, ExecutableName() + ".cDIBSectionSave",
                               "No palette set for reduction method 1");
            reducer.ApplyPalette(cDIB, work, *mPalette, true);
        } else if (mColourDepth == 0) {
            reducer.BlackAndWhite(cDIB, work);
        } else if (mColourDepth == 1) {
            mPalette = std::make_shared<cPalette>();
            mPalette->Create16Colour();
            reducer.ApplyPalette(cDIB, work, *mPalette, true);
        } else if (mColourDepth == 2) {
            mPalette = std::make_shared<cPalette>();
            mPalette->CreateOptimal(cDIB, 236, 6);
            reducer.ApplyPalette(cDIB, work, *mPalette, false);
        }
    }

    bool made = false;
    switch (mColourDepth) {
    case 0: made = Create1Bit(width, height); break;
    case 1: made = Create4Bit(width, height); break;
    case 2: made = Create8Bit(width, height); break;
    default: break;
    }
    if (!made)
        return false;

    cDIB.PaintPicture(&*mTarget);
    if (mReductionMethod == 0)
        cDIB.LoadPictureBlt(&*mTarget);
    return true;
}

bool cDIBSectionSave::MakeTarget(int width, int height, int bitsPerPixel, std::span<const RgbQuad> table)
{
    mTarget = Bitmap::Make(width, height, bitsPerPixel);
    if (!mTarget)
        return false;
    std::ranges::copy(table, mTarget->ColourTable().begin());
    return true;
}

bool cDIBSectionSave::Create1Bit(int width, int height)
{
    return MakeTarget(width, height, 1, kBlackAndWhite);
}

bool cDIBSectionSave::Create4Bit(int width, int height)
{
    cPalette standard;
    standard.Create16Colour();
    for (int i = 1; i <= 16; ++i)
        mTable4[static_cast<std::size_t>(i - 1)] = RgbQuad::FromRgb(standard.Red(i), standard.Green(i), standard.Blue(i));
    return MakeTarget(width, height, 4, mTable4);
}

bool cDIBSectionSave::Create8Bit(int width, int height)
{
    if (!mPalette) {
        mPalette = std::make_shared<cPalette>();
        mPalette->CreateHalfTone();
    }
    // Entries past the palette's count keep what they held.
    const int n = std::min(mPalette->Count(), 256);
    for (int i = 1; i <= n; ++i)
        mTable8[static_cast<std::size_t>(i - 1)] = RgbQuad::FromRgb(mPalette->Red(i), mPalette->Green(i), mPalette->Blue(i));
    return MakeTarget(width, height, 8, mTable8);
}

bool cDIBSectionSave::Save(const std::string& sFileName) const
{
    switch (mColourDepth) {
    case 0: return SaveTarget(sFileName, 1);
    case 1: return SaveTarget(sFileName, 4);
    case 2: return SaveTarget(sFileName, 8);
    default: return mCopy24 && mCopy24->SavePicture(sFileName);
    }
}

bool cDIBSectionSave::SaveTarget(const std::string& sFileName, int bitsPerPixel) const
{
    // Without a target of this depth there are no pixels to write.
    if (!mTarget || mTarget->BitsPerPixel() != bitsPerPixel)
        return false;
    return WriteBitmapFile(sFileName, ExecutableName() + ".cDIBSection256", *mTarget);
}
