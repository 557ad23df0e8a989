#pragma once
// Which list column was sorted last and in which direction: 0 before any
// sort, +(c+1) after a descending sort of column c, -(c+1) after an
// ascending one. A first click on a column sorts it descending, a second
// click on the same column ascending.
namespace tarnwell::controls {

class SortState {
 public:
  // Records a click on column c and returns the direction factor to sort
  // with: -1 for descending, +1 for ascending.
  int Click(int column) {
    value_ = (value_ == column + 1 || value_ == -(column + 1)) ? -value_ : column + 1;
    return Factor();
  }
  int Factor() const { return value_ > 0 ? -1 : 1; }
  // The sorted column, or -1 before any sort.
  int Column() const { return value_ == 0 ? -1 : (value_ > 0 ? value_ : -value_) - 1; }
  bool Descending() const { return value_ > 0; }
  int Value() const { return value_; }

 private:
  int value_ = 0;
};

}  // namespace tarnwell::controls
