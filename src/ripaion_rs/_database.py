"""Reading a Tenhou log database: the SQLite files the common downloaders
keep, one row per game with its mjlog XML compressed.

Two layouts are known, told apart by their columns:

- P: table `logs` (`log_id`, `log_content` bzip2, an empty string until
  downloaded, `is_sanma`, `is_processed`, `was_error`, ...);
- H: table `logs` (`id`, `log` gzip, NULL until downloaded, `num_players`,
  `is_processed`, `was_error`, ...), WITHOUT ROWID.

The database is opened read-only (`mode=ro`, `query_only`), so it is never
written and one that another process is filling in WAL mode still reads.
Rows that cannot be converted (not downloaded, an error, three players) are
told by their columns in SQL, so their content is never read. A user's
`--where` condition runs inside the one SELECT, as one parenthesised
expression, under an authorizer that allows reading and nothing else.
"""

from __future__ import annotations

import os
import signal
import sqlite3
import threading
from types import FrameType
from typing import Any, Dict, Iterator, List, NamedTuple, Optional, Tuple, Union

from ._content import ContentError, as_bytes, unpack
from ._input import LogTooLarge, is_database

# Why a row is not converted, in the order they are told (a three-player
# game never converts, downloaded or not; an error is one whatever was kept).
THREE_PLAYER = "three-player"
ERROR = "error"
NOT_DOWNLOADED = "not downloaded"
NO_ID = "no id"
REASONS = (NO_ID, THREE_PLAYER, ERROR, NOT_DOWNLOADED)


class DatabaseError(ValueError):
    """A database that cannot be read as a log database, or a condition that
    SQLite refuses: a usage error, found before anything is converted."""


class Layout(NamedTuple):
    name: str
    id_column: str
    content_column: str
    required: Tuple[str, ...]  # the columns that tell the layout
    # (SQL condition, reason): the first that holds says why a row is skipped.
    skips: Tuple[Tuple[str, str], ...]


def _skips(id_column: str, three_player: str, content: str) -> Tuple[Tuple[str, str], ...]:
    return (
        ("%s IS NULL" % id_column, NO_ID),
        (three_player, THREE_PLAYER),
        ("coalesce(was_error, 0) <> 0", ERROR),
        ("coalesce(is_processed, 0) = 0 OR %s IS NULL OR length(%s) = 0" % (content, content), NOT_DOWNLOADED),
    )


LAYOUT_P = Layout("P", "log_id", "log_content", ("log_id", "log_content", "is_sanma", "is_processed", "was_error"),
                  _skips("log_id", "is_sanma = 1", "log_content"))
LAYOUT_H = Layout("H", "id", "log", ("id", "log", "num_players", "is_processed", "was_error"),
                  _skips("id", "num_players = 3", "log"))
LAYOUTS = (LAYOUT_P, LAYOUT_H)
TABLE = "logs"


class Row(NamedTuple):
    log_id: Optional[str]
    skipped: Optional[str]  # a reason from REASONS, or None for a row to convert
    content: Optional[bytes]  # as stored (None for a skipped row: never read)


# ---------------------------------------------------------------- opening

_URI_SAFE = frozenset(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-~")


def _uri_path(path: str) -> str:
    """`path` for a file: URI, every other byte as %XX (SQLite decodes them;
    a bare '?', '#' or '%' would end or change the path). Done here rather
    than by urllib, whose import is a good part of the command's start."""
    return "".join(chr(b) if b in _URI_SAFE else "%%%02X" % b for b in os.fsencode(path))


def connect(path: str) -> sqlite3.Connection:
    """A read-only connection. Texts come as bytes: an id that is not valid
    UTF-8 must not stop the reading, and content stored as text is wanted
    as bytes anyway."""
    uri = "file:%s?mode=ro" % _uri_path(os.path.abspath(path))
    try:
        connection = sqlite3.connect(uri, uri=True, isolation_level=None, check_same_thread=False)
        connection.text_factory = bytes
        connection.execute("PRAGMA query_only = ON")
    except sqlite3.Error as exc:
        raise DatabaseError("cannot read the database %s: %s" % (path, exc)) from None
    return connection


def _columns(connection: sqlite3.Connection, table: str) -> List[str]:
    rows = connection.execute("SELECT name FROM pragma_table_info(?)", (table,)).fetchall()
    return [_text(name) or "" for (name,) in rows]


def _tables(connection: sqlite3.Connection) -> List[str]:
    rows = connection.execute(
        "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name").fetchall()
    return [_text(name) or "" for (name,) in rows]


def detect_layout(connection: sqlite3.Connection, path: str) -> Layout:
    """The layout of the database by its columns; DatabaseError naming the
    tables and columns found when it is neither."""
    try:
        columns = set(_columns(connection, TABLE))
        for layout in LAYOUTS:
            if columns.issuperset(layout.required):
                return layout
        found = ["%s(%s)" % (table, ", ".join(_columns(connection, table))) for table in _tables(connection)]
    except sqlite3.Error as exc:
        raise DatabaseError("cannot read the database %s: %s" % (path, exc)) from None
    wanted = "; or ".join("%s(%s)" % (TABLE, ", ".join(layout.required)) for layout in LAYOUTS)
    raise DatabaseError("%s is not a Tenhou log database: it needs a table %s; found %s"
                        % (path, wanted, "; ".join(found) or "no tables"))


# ---------------------------------------------------------------- the condition

# What a query may do: read tables and call functions (but not load code).
_READ_ONLY_ACTIONS = frozenset({
    getattr(sqlite3, "SQLITE_SELECT", 21),
    getattr(sqlite3, "SQLITE_READ", 20),
    getattr(sqlite3, "SQLITE_FUNCTION", 31),
    getattr(sqlite3, "SQLITE_RECURSIVE", 33),
})


def _authorize(action: int, arg1: Optional[str], arg2: Optional[str], database: Optional[str],
               trigger: Optional[str]) -> int:
    if action not in _READ_ONLY_ACTIONS:
        return sqlite3.SQLITE_DENY
    if action == getattr(sqlite3, "SQLITE_FUNCTION", 31) and (arg2 or "").lower() == "load_extension":
        return sqlite3.SQLITE_DENY
    return sqlite3.SQLITE_OK


def _skip_quoted(text: str, start: int, close: str) -> int:
    end = text.find(close, start + 1)
    while end >= 0 and close != "]" and text.startswith(close, end + 1):  # '' inside '...'
        end = text.find(close, end + 2)
    if end < 0:
        raise DatabaseError("--where: unterminated %s" % ("string" if close == "'" else "quoted name"))
    return end + 1


def check_condition(where: str) -> None:
    """Refuse a condition that is not one expression: a ';' outside strings
    and comments (a second statement), a ')' that closes the WHERE's own
    parenthesis, an unterminated string or comment (which would swallow
    the rest of the query)."""
    depth = 0
    i = 0
    closers = {"'": "'", '"': '"', "`": "`", "[": "]"}
    while i < len(where):
        c = where[i]
        if c in closers:
            i = _skip_quoted(where, i, closers[c])
            continue
        if where.startswith("--", i):
            newline = where.find("\n", i)
            i = len(where) if newline < 0 else newline + 1
            continue
        if where.startswith("/*", i):
            end = where.find("*/", i + 2)
            if end < 0:
                raise DatabaseError("--where: unterminated comment")
            i = end + 2
            continue
        if c == ";":
            raise DatabaseError("--where: one condition only (no ';')")
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            raise DatabaseError("--where: unbalanced ')'")
        i += 1
    if depth:
        raise DatabaseError("--where: unbalanced '('")
    if not where.strip():
        raise DatabaseError("--where: the condition is empty")


# ---------------------------------------------------------------- the rows

# Rows fetched at once at most, whatever their size.
BATCH_ROWS = 256


class Selection:
    """The rows of one database that a run takes: its layout, the user's
    condition and limit, in one read transaction (so that the count and the
    rows agree while another process writes)."""

    def __init__(self, path: str, where: Optional[str] = None, limit: Optional[int] = None) -> None:
        if where is not None:
            check_condition(where)
        self.path = path
        self.where = where
        self.connection = connect(path)
        try:
            self.layout = detect_layout(self.connection, path)
            self._limit = -1 if limit is None else limit
            self.connection.execute("BEGIN")
            self.connection.set_authorizer(_authorize)
            with interruptible(self.connection):
                counted = self._execute("SELECT reason, count(*) FROM (%s) GROUP BY reason"
                                        % self._query("%s AS reason" % self._reason())).fetchall()
            # Rows by why they are skipped (None: to convert).
            self.counts: Dict[Optional[str], int] = {_text(why): int(n) for why, n in counted}
            self.total = sum(self.counts.values())
        except BaseException:
            self.connection.close()
            raise

    @property
    def to_convert(self) -> int:
        return self.counts.get(None, 0)

    def _reason(self) -> str:
        return "CASE %s END" % " ".join("WHEN %s THEN '%s'" % skip for skip in self.layout.skips)

    def _query(self, columns: str) -> str:
        condition = "1" if self.where is None else "(%s\n)" % self.where
        return "SELECT %s FROM %s WHERE %s LIMIT ?" % (columns, TABLE, condition)

    def _execute(self, sql: str) -> sqlite3.Cursor:
        try:
            return self.connection.execute(sql, (self._limit,))
        except sqlite3.DatabaseError as exc:  # a syntax error, an unknown column, a denied action
            where = "--where" if self.where is not None else self.path
            raise DatabaseError("%s: %s" % (where, exc)) from None

    def _fetch(self, sql: str, max_bytes: int, max_rows: int) -> Iterator[List[Tuple[Any, ...]]]:
        """The rows of `sql` in lists of at most `max_rows`, holding about
        `max_bytes` of their last column at most; each list is fetched with
        Ctrl-C and SIGTERM able to stop SQLite, however long a condition
        takes to find the next row."""
        with interruptible(self.connection):
            cursor = self._execute(sql)
        try:
            while True:
                chunk: List[Tuple[Any, ...]] = []
                size = 0
                with interruptible(self.connection):
                    try:
                        for row in cursor:
                            chunk.append(row)
                            size += len(row[-1]) if row[-1] is not None else 0
                            if size >= max_bytes or len(chunk) >= max_rows:
                                break
                    except sqlite3.DatabaseError as exc:  # damaged, or a condition failing on a row
                        raise DatabaseError("%s: %s" % (self.path, exc)) from None
                if not chunk:
                    return
                yield chunk
        finally:
            try:
                cursor.close()
            except sqlite3.ProgrammingError:  # the run stopped, and the connection closed first
                pass

    def batches(self, max_bytes: int, max_rows: int = BATCH_ROWS) -> Iterator[List[Row]]:
        """The selected rows in the table's order, in lists of at most
        `max_rows` rows holding about `max_bytes` of content at most (one
        row alone may hold more), so that memory stays bounded whatever the
        database's size. A skipped row's content is never read."""
        layout = self.layout
        content = "CASE WHEN %s THEN NULL ELSE %s END" % (
            " OR ".join("(%s)" % condition for condition, _ in layout.skips), layout.content_column)
        sql = self._query("%s, %s, %s" % (layout.id_column, self._reason(), content))
        for chunk in self._fetch(sql, max_bytes, max_rows):
            yield [Row(_text(log_id), _text(why), data) for log_id, why, data in chunk]

    def ids(self) -> Iterator[str]:
        """The ids of the selected rows to convert, without their content."""
        sql = "SELECT id FROM (%s) WHERE reason IS NULL AND id IS NOT NULL" % self._query(
            "%s AS id, %s AS reason" % (self.layout.id_column, self._reason()))
        for chunk in self._fetch(sql, 1 << 30, 4096):
            for (log_id,) in chunk:
                yield _text(log_id) or ""

    def close(self) -> None:
        self.connection.close()

    def __enter__(self) -> "Selection":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()


def _text(value: Union[bytes, str, int, float, None]) -> Optional[str]:
    """A column's value as str: texts came as bytes (see connect)."""
    if value is None or isinstance(value, str):
        return value
    if isinstance(value, bytes):
        return value.decode("utf-8", "surrogateescape")
    return str(value)


class interruptible:
    """Lets Ctrl-C and SIGTERM stop a long query. A signal's handler only
    runs when Python code does, and SQLite runs none of it, except the
    progress callback; an exception raised there would be lost. So while
    SQLite works, the signals are noted, the callback asks SQLite to stop,
    and once it has, the noted signal is raised again for the program's own
    handler. (Off the main thread signals cannot be caught: nothing changes.)"""

    SIGNALS = (signal.SIGINT, signal.SIGTERM)

    def __init__(self, connection: sqlite3.Connection) -> None:
        self.connection = connection
        self.pending: Optional[int] = None
        self.previous: Dict[int, Any] = {}

    def _note(self, signum: int, frame: Optional[FrameType]) -> None:
        if self.pending is None:
            self.pending = signum

    def _tick(self) -> int:
        return 0 if self.pending is None else 1

    def __enter__(self) -> None:
        self.pending = None
        if threading.current_thread() is threading.main_thread():
            for signum in self.SIGNALS:
                self.previous[signum] = signal.signal(signum, self._note)
        self.connection.set_progress_handler(self._tick, 10_000)

    def __exit__(self, kind: Any, value: Any, traceback: Any) -> None:
        self.connection.set_progress_handler(None, 0)
        for signum, handler in self.previous.items():
            signal.signal(signum, handler)
        self.previous.clear()
        if self.pending is not None:
            signal.raise_signal(self.pending)  # handled, by the program's own handler, from here on


def read_log_database(path: Union[str, "os.PathLike[str]"], *, where: Optional[str] = None,
                      limit: Optional[int] = None) -> Iterator[Tuple[str, bytes]]:
    """`(log_id, content)` for every row of the Tenhou log database at `path`
    that a conversion would take, its content decompressed (mjlog XML, or a
    JSON log), ready for `convert()`.

    Rows not downloaded, with an error, or of three-player games are left
    out. `where` is an SQL condition on the table's columns (for example
    "date >= '2021-01-01' AND is_tonpusen = 0"), `limit` caps the rows read
    (skipped ones included). The database is opened read-only and never
    written. A file that is not a log database, or a condition SQLite
    refuses, raises ValueError here, before the first row. A row whose
    content cannot be decompressed comes as it is stored, so that
    `convert()` raises for it as for any other broken log."""
    path = os.fspath(path)
    if limit is not None and (isinstance(limit, bool) or not isinstance(limit, int) or limit < 0):
        raise ValueError("limit must be a whole number >= 0, got %r" % (limit,))
    if not is_database(path):
        if not os.path.exists(path):
            raise FileNotFoundError(2, "No such file or directory", path)
        raise DatabaseError("%s is not an SQLite database" % path)
    selection = Selection(path, where, limit)
    return _converted_rows(selection)


# Content read ahead by read_log_database at most (a row alone may hold more).
_READ_AHEAD = 4 << 20


def _converted_rows(selection: Selection) -> Iterator[Tuple[str, bytes]]:
    with selection:
        for batch in selection.batches(_READ_AHEAD):
            for log_id, skipped, content in batch:
                if skipped is None and log_id is not None and content is not None:
                    try:
                        data = unpack(content)
                    except (ContentError, LogTooLarge):
                        data = as_bytes(content)
                    yield log_id, data
