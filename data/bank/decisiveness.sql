CREATE TABLE "你可断吗？" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "选项""是""" TEXT,
  "选项""否""" TEXT
);
