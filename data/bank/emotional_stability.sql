CREATE TABLE "情绪稳定性表" (
  "测试题目" TEXT,
  "是" TEXT,
  "不确定" TEXT,
  "否" TEXT
);
