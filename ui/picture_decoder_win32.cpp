#include "ui/picture_decoder_win32.h"

#include <wincodec.h>

#include <span>

#include "ui/com_win32.h"

namespace nimbrel {

namespace {

std::span<const BYTE> ResourceBytes(HINSTANCE instance, int resourceId) {
    const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    const HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    if (!loaded) {
        return {};
    }
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(instance, found)};
}

ComHandle<IWICImagingFactory> CreateFactory() {
    IWICImagingFactory* factory = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                     IID_PPV_ARGS(&factory));
    return ComHandle<IWICImagingFactory>(factory);
}

// The picture's first frame, converted to 32-bit BGR whatever its own format.
ComHandle<IWICBitmapSource> DecodeFirstFrame(IWICImagingFactory& factory,
                                             std::span<const BYTE> bytes) {
    IWICStream* rawStream = nullptr;
    factory.CreateStream(&rawStream);
    const ComHandle<IWICStream> stream(rawStream);
    // The stream only reads the bytes, which stay in the loaded module.
    if (!stream || FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                                       static_cast<DWORD>(bytes.size())))) {
        return nullptr;
    }
    IWICBitmapDecoder* rawDecoder = nullptr;
    factory.CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                    &rawDecoder);
    const ComHandle<IWICBitmapDecoder> decoder(rawDecoder);
    IWICBitmapFrameDecode* rawFrame = nullptr;
    if (!decoder || FAILED(decoder->GetFrame(0, &rawFrame))) {
        return nullptr;
    }
    const ComHandle<IWICBitmapFrameDecode> frame(rawFrame);
    IWICBitmapSource* converted = nullptr;
    WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), &converted);
    return ComHandle<IWICBitmapSource>(converted);
}

BitmapHandle CopyToBitmap(IWICBitmapSource& source) {
    UINT width = 0;
    UINT height = 0;
    if (FAILED(source.GetSize(&width, &height)) || width == 0 || height == 0) {
        return nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top row first, as WIC copies
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UINT stride = width * 4;
    if (!bitmap ||
        FAILED(source.CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        return nullptr;
    }
    return bitmap;
}

}  // namespace

BitmapHandle DecodePictureResource(HINSTANCE instance, int resourceId) {
    const std::span<const BYTE> bytes = ResourceBytes(instance, resourceId);
    const ComHandle<IWICImagingFactory> factory = bytes.empty() ? nullptr : CreateFactory();
    if (!factory) {
        return nullptr;
    }
    const ComHandle<IWICBitmapSource> picture = DecodeFirstFrame(*factory, bytes);
    return picture ? CopyToBitmap(*picture) : nullptr;
}

}  // namespace nimbrel
