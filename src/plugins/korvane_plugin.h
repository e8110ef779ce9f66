/* The Korvane plug-in contract, for plug-in authors.
 *
 * A plug-in is a shared library (*.so) in the program folder that exports these nine
 * entry points under exactly these names, all with the C calling convention of the
 * platform. Texts are NUL-terminated 8-bit texts in the locale's charset.
 *
 * The host loads the library for every single call and frees it right after, so a plug-in
 * keeps nothing in memory between calls. The five description texts belong to the plug-in
 * and must stay valid until the library is freed; the host copies them at once.
 * The adapter address passed to the switch entry points belongs to the host and is valid
 * only during the call: an empty text for TurnWorldOff and NULL for TurnWorldOn when no
 * address is known. Results of Config, Help, TurnWorldOff and TurnWorldOn are not examined.
 */
#ifndef KORVANE_PLUGIN_H
#define KORVANE_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const char* (*KorvaneGetTextFn)(void);
typedef int32_t (*KorvaneCommandFn)(void);
/* whiteListOn: 1 when the white list is applied, else 0; only its lowest 8 bits count. */
typedef int32_t (*KorvaneSwitchFn)(uint8_t whiteListOn, const char* adapterAddress);

const char* GetName(void);
const char* GetDescription(void);
const char* GetDateTime(void);
const char* GetVersion(void);
const char* GetAuthor(void);
int32_t Config(void);
int32_t Help(void);
int32_t TurnWorldOff(uint8_t whiteListOn, const char* adapterAddress);
int32_t TurnWorldOn(uint8_t whiteListOn, const char* adapterAddress);

#ifdef __cplusplus
}
#endif

#endif /* KORVANE_PLUGIN_H */
