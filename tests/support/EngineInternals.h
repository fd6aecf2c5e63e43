// The engine's private headers that its tests and fuzzers reach into: the one
// door through which code outside a floor sees that floor's internal/ headers,
// so that what the engine shows the rest of the product stays its public face.
#pragma once

#include "export/charset/internal/Cp932Table.h"
#include "export/conversion/internal/AddressHeader.h"
#include "export/conversion/internal/HtmlCharsetDeclaration.h"
#include "export/flow/internal/MessageWriter.h"
#include "export/framing/internal/FromQuoting.h"
#include "export/framing/internal/MboxFileFraming.h"
#include "export/mime/internal/ContentType.h"
