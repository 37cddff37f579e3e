// Top-down vehicles facing up: the player's sports cars and the road traffic.
#pragma once

#include <cairo.h>

#include "canvas.h"

namespace brakkon::bake {

enum class BodyKind { kSports, kSedan, kHatchback, kCoupe, kVan, kPickup, kLorry };

struct CarLook {
  BodyKind kind = BodyKind::kSports;
  Rgb body;                   // main paint
  Rgb accent;                 // stripes, cab of the lorry
  bool stripes = false;       // twin racing stripes
  Rgb cargo = Hex(0x9098A0);  // the lorry's box
};

// Draws the vehicle filling the box (x, y, w, h), nose at the top.
void DrawVehicle(cairo_t* cr, const CarLook& look, double x, double y, double w, double h);

// The look of player car 1..4 and traffic car 5..10.
CarLook CarLookFor(int model);

}  // namespace brakkon::bake
