// For the edits that turn typed letters into capitals (the MAC bytes, the PLL's hexadecimal
// values): every text is accepted, in upper case.
#pragma once

#include <QValidator>

namespace quillon::qt {

class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace quillon::qt
