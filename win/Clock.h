#pragma once
// A clock for intervals: milliseconds from the performance counter, as a fraction.
namespace quorvel::win {

double Milliseconds();

}  // namespace quorvel::win
