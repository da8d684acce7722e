// PNG files for vtx.exe through the Windows Imaging Component, with the
// contract of tools/vtx/png_io.h: the picture's top row becomes buffer row
// H-1, bytes are B, G, R, A, an image without alpha gets alpha byte 0, and
// the byte size 4·W·H must fit a signed 32-bit value. Reading and writing
// the files themselves is tools/vtx/png_files.cpp.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "session/image_session.h"
#include "tools/vtx/png_io.h"

namespace vtx::cli {

namespace {

template <class T>
class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_ != nullptr) p_->Release();
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    T** Out() { return &p_; }

private:
    T* p_ = nullptr;
};

std::string HexCode(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

HRESULT CreateFactory(IWICImagingFactory** factory) {
    return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            reinterpret_cast<void**>(factory));
}

// Whether the decoded frame carries alpha (or palette transparency).
bool FrameHasAlpha(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const WICPixelFormatGUID& format) {
    if (IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed) || IsEqualGUID(format, GUID_WICPixelFormat2bppIndexed) ||
        IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed) || IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed)) {
        Com<IWICPalette> palette;
        BOOL hasAlpha = FALSE;
        if (SUCCEEDED(factory->CreatePalette(palette.Out())) && SUCCEEDED(frame->CopyPalette(palette.Get())) &&
            SUCCEEDED(palette->HasAlpha(&hasAlpha))) {
            return hasAlpha != FALSE;
        }
        return false;
    }
    Com<IWICComponentInfo> info;
    Com<IWICPixelFormatInfo2> formatInfo;
    BOOL transparency = FALSE;
    if (SUCCEEDED(factory->CreateComponentInfo(format, info.Out())) &&
        SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo2, reinterpret_cast<void**>(formatInfo.Out()))) &&
        SUCCEEDED(formatInfo->SupportsTransparency(&transparency))) {
        return transparency != FALSE;
    }
    return false;
}

// Frames of 16-bit samples are read in their own format and narrowed here,
// so that the result does not depend on how a converter would narrow them:
// the number of 16-bit samples per pixel and the (red, green, blue, alpha)
// positions among them (-1: none; grey repeats one sample).
struct WideLayout {
    UINT samples = 0;
    int red = -1, green = -1, blue = -1, alpha = -1;
};

WideLayout WideFormat(const WICPixelFormatGUID& format) {
    if (IsEqualGUID(format, GUID_WICPixelFormat48bppRGB)) return {3, 0, 1, 2, -1};
    if (IsEqualGUID(format, GUID_WICPixelFormat64bppRGBA)) return {4, 0, 1, 2, 3};
    if (IsEqualGUID(format, GUID_WICPixelFormat16bppGray)) return {1, 0, 0, 0, -1};
    return {};
}

// A 16-bit sample scaled to 8 bits, rounded to nearest: v·255/65535.
std::uint8_t ScaleSample(std::uint16_t v) {
    return static_cast<std::uint8_t>((std::uint32_t{v} * 255 + 32767) / 65535);
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0) {
        error = size == 0 ? "empty file, not a PNG" : "not a PNG file";
        return false;
    }
    if (size > 0x7FFFFFFF) {
        error = "file too large";
        return false;
    }
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    HRESULT hr = CreateFactory(factory.Out());
    if (FAILED(hr)) {
        error = "cannot start the imaging component: " + HexCode(hr);
        return false;
    }
    hr = factory->CreateStream(stream.Out());
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Out());
    if (SUCCEEDED(hr)) hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand);
    if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.Out());
    UINT width = 0, height = 0;
    if (SUCCEEDED(hr)) hr = frame->GetSize(&width, &height);
    if (FAILED(hr)) {
        error = "corrupt or truncated PNG: " + HexCode(hr);
        return false;
    }
    if (width == 0 || height == 0) {
        error = "zero-size image";
        return false;
    }
    if (!ImageSession::FitsByteSize(width, height)) {
        error = "image of " + std::to_string(width) + "x" + std::to_string(height) +
                " is too large (4·W·H bytes must fit a signed 32-bit value)";
        return false;
    }
    WICPixelFormatGUID format;
    hr = frame->GetPixelFormat(&format);
    if (FAILED(hr)) {
        error = "corrupt or truncated PNG: " + HexCode(hr);
        return false;
    }
    const bool alpha = FrameHasAlpha(factory.Get(), frame.Get(), format);

    const WideLayout layout = WideFormat(format);
    const bool wide = layout.samples != 0;
    Com<IWICFormatConverter> converter;
    IWICBitmapSource* source = frame.Get();
    if (!wide) {
        hr = factory->CreateFormatConverter(converter.Out());
        if (SUCCEEDED(hr)) {
            hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom);
        }
        source = converter.Get();
    }
    Image image;
    try {
        image.width = static_cast<std::int32_t>(width);
        image.height = static_cast<std::int32_t>(height);
        image.pixels.resize(static_cast<std::size_t>(4) * width * height);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    // WIC delivers rows top first; the buffer holds the bottom line first.
    std::vector<std::uint16_t> wideRow;
    if (wide) {
        try {
            wideRow.resize(static_cast<std::size_t>(layout.samples) * width);
        } catch (const std::bad_alloc&) {
            error = "out of memory";
            return false;
        }
    }
    const UINT wideStride = 2 * layout.samples * width;
    for (UINT y = 0; SUCCEEDED(hr) && y < height; ++y) {
        const WICRect row{0, static_cast<INT>(y), static_cast<INT>(width), 1};
        std::uint8_t* dst = image.PictureAt(0, static_cast<std::int32_t>(y));
        if (!wide) {
            hr = source->CopyPixels(&row, 4 * width, 4 * width, dst);
            continue;
        }
        hr = source->CopyPixels(&row, wideStride, wideStride, reinterpret_cast<BYTE*>(wideRow.data()));
        for (UINT x = 0; SUCCEEDED(hr) && x < width; ++x) {
            const std::uint16_t* px = &wideRow[static_cast<std::size_t>(layout.samples) * x];
            dst[4 * x + 0] = ScaleSample(px[layout.blue]);
            dst[4 * x + 1] = ScaleSample(px[layout.green]);
            dst[4 * x + 2] = ScaleSample(px[layout.red]);
            dst[4 * x + 3] = layout.alpha >= 0 ? ScaleSample(px[layout.alpha]) : 0;
        }
    }
    if (FAILED(hr)) {
        error = "corrupt or truncated PNG: " + HexCode(hr);
        return false;
    }
    if (!alpha) {
        for (std::size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = 0;
    }
    out = std::move(image);
    return true;
}

bool EncodePng(const Image& image, bool keepAlpha, std::vector<std::uint8_t>& out, std::string& error) {
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() != static_cast<std::size_t>(4) * image.width * image.height) {
        error = "no image to write";
        return false;
    }
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    HRESULT hr = CreateFactory(factory.Out());
    if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Out());
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.Out(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height));
    WICPixelFormatGUID format = keepAlpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    const WICPixelFormatGUID wanted = format;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, wanted)) hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    if (FAILED(hr)) {
        error = "cannot encode PNG: " + HexCode(hr);
        return false;
    }
    const std::size_t channels = keepAlpha ? 4 : 3;
    std::vector<std::uint8_t> row;
    try {
        row.resize(channels * static_cast<std::size_t>(image.width));
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    for (std::int32_t y = 0; SUCCEEDED(hr) && y < image.height; ++y) {
        const std::uint8_t* src = image.PictureAt(0, y);
        for (std::int32_t x = 0; x < image.width; ++x) {
            for (std::size_t c = 0; c < channels; ++c) row[channels * x + c] = src[4 * x + c];
        }
        hr = frame->WritePixels(1, static_cast<UINT>(row.size()), static_cast<UINT>(row.size()), row.data());
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(hr)) hr = GetHGlobalFromStream(stream.Get(), &memory);
    STATSTG stat;
    if (SUCCEEDED(hr)) hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) {
        error = "cannot encode PNG: " + HexCode(hr);
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(stat.cbSize.QuadPart);
    const void* bytes = GlobalLock(memory);
    if (bytes == nullptr) {
        error = "cannot encode PNG: no memory";
        return false;
    }
    try {
        out.assign(static_cast<const std::uint8_t*>(bytes), static_cast<const std::uint8_t*>(bytes) + size);
    } catch (const std::bad_alloc&) {
        GlobalUnlock(memory);
        error = "out of memory";
        return false;
    }
    GlobalUnlock(memory);
    return true;
}

}  // namespace vtx::cli
