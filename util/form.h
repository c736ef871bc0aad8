// What centring needs of a window and of the screen, in twips.
#pragma once

namespace nimbrel {

class Form {
  public:
    virtual ~Form() = default;

    virtual float Height() const = 0;
    virtual float Width() const = 0;
    virtual void SetTop(float twips) = 0;
    virtual void SetLeft(float twips) = 0;
};

class Screen {
  public:
    virtual ~Screen() = default;

    virtual float Height() const = 0;
    virtual float Width() const = 0;
};

}  // namespace nimbrel
