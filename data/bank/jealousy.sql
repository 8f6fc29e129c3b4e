CREATE TABLE "女性嫉妒心理测试" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "选项Ａ" TEXT,
  "选项Ｂ" TEXT,
  "选项Ｃ" TEXT,
  "选项Ｄ" TEXT,
  "分数Ａ" NUMERIC,
  "分数Ｂ" NUMERIC,
  "分数Ｃ" NUMERIC,
  "分数Ｄ" NUMERIC
);
