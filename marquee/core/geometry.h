#pragma once
// Integer pixel geometry with the platform's rectangle convention: right and bottom are
// exclusive.

namespace zqmarq {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    Rect shrunk(int l, int t, int r, int b) const {
        return {left + l, top + t, right - r, bottom - b};
    }
    Rect intersected(const Rect& o) const {
        return {left > o.left ? left : o.left, top > o.top ? top : o.top,
                right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
    }
    bool operator==(const Rect&) const = default;
};

} // namespace zqmarq
