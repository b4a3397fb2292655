"""mjai streams to tenhou.net/6 JSON logs, the form Tenhou's viewer and the
analysis services read."""

from __future__ import annotations

from ._convert import ScoreMismatch, ScoreWarning, mjai_to_tenhou, viewer_urls

__all__ = ["mjai_to_tenhou", "viewer_urls", "ScoreWarning", "ScoreMismatch"]
