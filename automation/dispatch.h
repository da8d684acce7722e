// Late-bound calls of IVideoTransform.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "TavrixVideoTransform.h"

namespace vtx::automation {

// Converts one late-bound argument to the variant type a parameter demands.
// A VT_VARIANT | VT_BYREF argument stands for the variant it refers to. On
// success the converted value replaces the argument (or the referenced
// variant), and *converted points at the variant that holds it. An array of
// variants asked for as an array is let through unchanged. Any failure
// returns the conversion's error and leaves the argument as it was.
HRESULT CoerceArgument(VARIANT* argument, VARTYPE wanted, VARIANT** converted);

// IDispatch::Invoke of IVideoTransform: the argument checks, the member
// selection by DISPID and flags, the conversion of every argument and the
// call of the member through the interface.
HRESULT InvokeVideoTransform(IVideoTransform* self, DISPID dispid, WORD flags, DISPPARAMS* params,
                             VARIANT* result, UINT* argErr);

}  // namespace vtx::automation
