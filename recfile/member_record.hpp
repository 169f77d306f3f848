// The member record of the rural-union product's member file F10R4.DAT: 1000
// characters, of which the delinquency update reads the four fields that
// decide a member's standing. The file belongs to the other product; this
// program only reads it.
#pragma once

namespace member {

constexpr int kLength = 1000;
constexpr int kStatusAt = 239, kStatusWidth = 1;       // "1" excludes the member
constexpr int kTaxpayerAt = 250, kTaxpayerWidth = 18;  // CPF/CNPJ as stored
constexpr int kDateAt = 502, kDateWidth = 10;          // dd/mm/yyyy
constexpr int kCountAt = 815, kCountWidth = 3;         // decimal

}  // namespace member
