#pragma once

namespace vesmadur {

// The file operations the database library asks of the operating system,
// as the fault-injecting layer counts them.
enum class OperacionVfs { Leer, Escribir, Sincronizar, Truncar, Borrar, Bloquear };
inline constexpr int kOperacionesVfs = 6;

// For trials only; the program never arms it. While armed, every database
// the engine opens goes through a layer over the system's that counts each
// kind of operation from the moment of arming and makes the `enesima` one of
// kind `operacion` fail as a failing disk would (an I/O error), and every
// later one too when `persistente`. `enesima` 0 fails nothing: the layer
// only counts. Opens made before arming keep the plain layer.
void ArmarFallosVfs(OperacionVfs operacion, long long enesima, bool persistente);
// The same layer, but at the `enesima` operation of kind `operacion` the
// process kills itself (SIGKILL) before the operation is done: a kill or a
// power cut at that exact call.
void ArmarMuerteVfs(OperacionVfs operacion, long long enesima);
void DesarmarFallosVfs();
// How many operations of that kind the armed layer has seen.
long long OperacionesVfsVistas(OperacionVfs operacion);
// How many it made fail.
long long FallosVfsHechos();

// The layer's name while armed, for the engine's opens; null otherwise.
const char* VfsDePrueba();

} // namespace vesmadur
