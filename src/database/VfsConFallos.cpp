#include "database/VfsConFallos.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>
#include <sqlcipher/sqlite3.h>

namespace vesmadur {

namespace {

constexpr const char* kNombre = "vesmadur-fallos";

struct Plan {
    std::atomic<bool> Armado{false};
    OperacionVfs Operacion = OperacionVfs::Leer;
    long long Enesima = 0;
    bool Persistente = false;
    bool Morir = false;
    std::array<std::atomic<long long>, kOperacionesVfs> Vistas{};
    std::atomic<long long> Fallos{0};
} gPlan;

// True when this call of kind `op` is to fail.
bool Fallar(OperacionVfs op) {
    const long long n = ++gPlan.Vistas[static_cast<int>(op)];
    if (!gPlan.Armado || op != gPlan.Operacion || gPlan.Enesima == 0)
        return false;
    const bool falla = n == gPlan.Enesima || (gPlan.Persistente && n > gPlan.Enesima);
    if (falla && gPlan.Morir)
        ::kill(::getpid(), SIGKILL);
    if (falla)
        ++gPlan.Fallos;
    return falla;
}

sqlite3_vfs* Real() {
    static sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    return real;
}

// An open file of the layer: its own header, then the real file's.
struct Archivo {
    sqlite3_file Base;
    sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};
Archivo* De(sqlite3_file* f) {
    return reinterpret_cast<Archivo*>(f);
}
sqlite3_file* R(sqlite3_file* f) {
    return De(f)->Real();
}

int Cerrar(sqlite3_file* f) {
    return R(f)->pMethods->xClose(R(f));
}
int Leer(sqlite3_file* f, void* datos, int n, sqlite3_int64 desde) {
    if (Fallar(OperacionVfs::Leer))
        return SQLITE_IOERR_READ;
    return R(f)->pMethods->xRead(R(f), datos, n, desde);
}
int Escribir(sqlite3_file* f, const void* datos, int n, sqlite3_int64 desde) {
    if (Fallar(OperacionVfs::Escribir))
        return SQLITE_IOERR_WRITE;
    return R(f)->pMethods->xWrite(R(f), datos, n, desde);
}
int Truncar(sqlite3_file* f, sqlite3_int64 tamano) {
    if (Fallar(OperacionVfs::Truncar))
        return SQLITE_IOERR_TRUNCATE;
    return R(f)->pMethods->xTruncate(R(f), tamano);
}
int Sincronizar(sqlite3_file* f, int banderas) {
    if (Fallar(OperacionVfs::Sincronizar))
        return SQLITE_IOERR_FSYNC;
    return R(f)->pMethods->xSync(R(f), banderas);
}
int Tamano(sqlite3_file* f, sqlite3_int64* tamano) {
    return R(f)->pMethods->xFileSize(R(f), tamano);
}
int Bloquear(sqlite3_file* f, int nivel) {
    if (Fallar(OperacionVfs::Bloquear))
        return SQLITE_IOERR_LOCK;
    return R(f)->pMethods->xLock(R(f), nivel);
}
int Desbloquear(sqlite3_file* f, int nivel) {
    return R(f)->pMethods->xUnlock(R(f), nivel);
}
int Reservado(sqlite3_file* f, int* salida) {
    return R(f)->pMethods->xCheckReservedLock(R(f), salida);
}
int Control(sqlite3_file* f, int op, void* arg) {
    return R(f)->pMethods->xFileControl(R(f), op, arg);
}
int Sector(sqlite3_file* f) {
    return R(f)->pMethods->xSectorSize(R(f));
}
int Caracteristicas(sqlite3_file* f) {
    return R(f)->pMethods->xDeviceCharacteristics(R(f));
}
int ShmMap(sqlite3_file* f, int i, int tam, int extender, void volatile** p) {
    return R(f)->pMethods->xShmMap(R(f), i, tam, extender, p);
}
int ShmLock(sqlite3_file* f, int desde, int n, int banderas) {
    if (Fallar(OperacionVfs::Bloquear))
        return SQLITE_IOERR_LOCK;
    return R(f)->pMethods->xShmLock(R(f), desde, n, banderas);
}
void ShmBarrier(sqlite3_file* f) {
    R(f)->pMethods->xShmBarrier(R(f));
}
int ShmUnmap(sqlite3_file* f, int borrar) {
    return R(f)->pMethods->xShmUnmap(R(f), borrar);
}
int Fetch(sqlite3_file* f, sqlite3_int64 desde, int n, void** p) {
    // Pages come by read, where a failure can be injected, never by mapping.
    (void)f, (void)desde, (void)n;
    *p = nullptr;
    return SQLITE_OK;
}
int Unfetch(sqlite3_file* f, sqlite3_int64 desde, void* p) {
    (void)f, (void)desde, (void)p;
    return SQLITE_OK;
}

const sqlite3_io_methods kMetodos = {3,     Cerrar,   Leer,          Escribir, Truncar,
                                     Sincronizar, Tamano,    Bloquear,   Desbloquear,
                                     Reservado,   Control,   Sector,     Caracteristicas,
                                     ShmMap,      ShmLock,   ShmBarrier, ShmUnmap,
                                     Fetch,       Unfetch};

int Abrir(sqlite3_vfs*, const char* nombre, sqlite3_file* f, int banderas, int* salida) {
    std::memset(f, 0, sizeof(Archivo));
    const int rc = Real()->xOpen(Real(), nombre, R(f), banderas, salida);
    // Without methods the library closes nothing; with them it closes ours.
    f->pMethods = R(f)->pMethods ? &kMetodos : nullptr;
    return rc;
}
int Borrar(sqlite3_vfs*, const char* nombre, int sincronizarCarpeta) {
    if (Fallar(OperacionVfs::Borrar))
        return SQLITE_IOERR_DELETE;
    return Real()->xDelete(Real(), nombre, sincronizarCarpeta);
}
int Acceso(sqlite3_vfs*, const char* nombre, int banderas, int* salida) {
    return Real()->xAccess(Real(), nombre, banderas, salida);
}
int RutaCompleta(sqlite3_vfs*, const char* nombre, int n, char* salida) {
    return Real()->xFullPathname(Real(), nombre, n, salida);
}
void* AbrirBiblioteca(sqlite3_vfs*, const char* nombre) {
    return Real()->xDlOpen(Real(), nombre);
}
void ErrorBiblioteca(sqlite3_vfs*, int n, char* salida) {
    Real()->xDlError(Real(), n, salida);
}
void (*Simbolo(sqlite3_vfs*, void* b, const char* s))(void) {
    return Real()->xDlSym(Real(), b, s);
}
void CerrarBiblioteca(sqlite3_vfs*, void* b) {
    Real()->xDlClose(Real(), b);
}
int Azar(sqlite3_vfs*, int n, char* salida) {
    return Real()->xRandomness(Real(), n, salida);
}
int Dormir(sqlite3_vfs*, int microsegundos) {
    return Real()->xSleep(Real(), microsegundos);
}
int Hora(sqlite3_vfs*, double* salida) {
    return Real()->xCurrentTime(Real(), salida);
}
int UltimoError(sqlite3_vfs*, int n, char* salida) {
    return Real()->xGetLastError(Real(), n, salida);
}
int Hora64(sqlite3_vfs*, sqlite3_int64* salida) {
    return Real()->xCurrentTimeInt64(Real(), salida);
}

sqlite3_vfs Construir() {
        sqlite3_vfs v{};
        v.iVersion = 2;
        v.szOsFile = static_cast<int>(sizeof(Archivo)) + Real()->szOsFile;
        v.mxPathname = Real()->mxPathname;
        v.zName = kNombre;
        v.xOpen = Abrir;
        v.xDelete = Borrar;
        v.xAccess = Acceso;
        v.xFullPathname = RutaCompleta;
        v.xDlOpen = AbrirBiblioteca;
        v.xDlError = ErrorBiblioteca;
        v.xDlSym = Simbolo;
        v.xDlClose = CerrarBiblioteca;
        v.xRandomness = Azar;
        v.xSleep = Dormir;
        v.xCurrentTime = Hora;
        v.xGetLastError = UltimoError;
        v.xCurrentTimeInt64 = Hora64;
        return v;
}

// Registered once, never as the default.
sqlite3_vfs* Capa() {
    static sqlite3_vfs capa = Construir();
    static const bool registrada = sqlite3_vfs_register(&capa, 0) == SQLITE_OK;
    (void)registrada;
    return &capa;
}

} // namespace

void ArmarFallosVfs(OperacionVfs operacion, long long enesima, bool persistente) {
    Capa();
    gPlan.Armado = false;
    gPlan.Operacion = operacion;
    gPlan.Enesima = enesima;
    gPlan.Persistente = persistente;
    gPlan.Morir = false;
    for (auto& v : gPlan.Vistas)
        v = 0;
    gPlan.Fallos = 0;
    gPlan.Armado = true;
}

void ArmarMuerteVfs(OperacionVfs operacion, long long enesima) {
    ArmarFallosVfs(operacion, enesima, false);
    gPlan.Morir = true;
}

void DesarmarFallosVfs() {
    gPlan.Armado = false;
}

long long OperacionesVfsVistas(OperacionVfs operacion) {
    return gPlan.Vistas[static_cast<int>(operacion)];
}

long long FallosVfsHechos() {
    return gPlan.Fallos;
}

const char* VfsDePrueba() {
    return gPlan.Armado ? kNombre : nullptr;
}

} // namespace vesmadur
