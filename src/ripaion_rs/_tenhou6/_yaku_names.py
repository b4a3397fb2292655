"""Tenhou's names of the yaku, by Tenhou's yaku number, and the order in
which its logs list them."""

from __future__ import annotations

from typing import Dict

NAMES = (
    "門前清自摸和", "立直", "一発", "槍槓", "嶺上開花", "海底摸月", "河底撈魚", "平和", "断幺九", "一盃口",
    "自風 東", "自風 南", "自風 西", "自風 北", "場風 東", "場風 南", "場風 西", "場風 北",
    "役牌 白", "役牌 發", "役牌 中", "両立直", "七対子", "混全帯幺九", "一気通貫", "三色同順", "三色同刻",
    "三槓子", "対々和", "三暗刻", "小三元", "混老頭", "二盃口", "純全帯幺九", "混一色", "清一色",
    "人和", "天和", "地和", "大三元", "四暗刻", "四暗刻単騎", "字一色", "緑一色", "清老頭", "九蓮宝燈",
    "純正九蓮宝燈", "国士無双", "国士無双１３面", "大四喜", "小四喜", "四槓子", "ドラ", "裏ドラ", "赤ドラ",
)

# Tenhou's logs list a win's yaku in this order (by yaku number); the
# value-honour yaku (winds and dragons) share one place, where they follow the
# order of the sets that make them.
ORDER = (
    37, 38, 36, 39, 49, 50, 51, 40, 41, 42, 43, 44, 45, 46, 47, 48,  # yakuman
    21, 1, 2, 5, 6, 4, 3, 26, 0, 30, 27, 7, 22, 32, 9, 29, 28, 25, 24, 8, 33,
    10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
    23, 31, 35, 34, 52, 54, 53,
)
RANK: Dict[int, int] = {number: i for i, number in enumerate(ORDER)}
HONOR_YAKU = range(10, 21)
