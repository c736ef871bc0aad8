// What the logic needs of its main window (its place and size in twips, for centring, and its
// closing) and of the screen.
#pragma once

namespace nimbrel {

class Form {
  public:
    virtual ~Form() = default;

    virtual float Height() const = 0;
    virtual float Width() const = 0;
    virtual void SetTop(float twips) = 0;
    virtual void SetLeft(float twips) = 0;
    // Closes the window as its close button does; the program then ends.
    virtual void Close() = 0;
    // Flashes the window's taskbar button until the window comes to the front.
    virtual void Flash() = 0;
};

class Screen {
  public:
    virtual ~Screen() = default;

    virtual float Height() const = 0;
    virtual float Width() const = 0;
};

}  // namespace nimbrel
