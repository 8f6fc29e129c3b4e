CREATE TABLE "你具备管理者的素质吗？" (
  "测试题号" INTEGER,
  "测试题目" TEXT
);
